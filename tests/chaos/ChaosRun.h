#pragma once
// Seeded random interleavings of what the operator does and what the TNC says, played on the real
// station logic and its manual clock. A small model of the TNC reads every byte the station writes
// (command or converse mode, whether a link is up) and answers with the default texts; the
// invariants are checked against it after every step, and at every write for what must never go
// on the air.
#include "core/ParmsFile.h"
#include "lifecycle/Preferences.h"
#include "messaging/Composer.h"
#include "net/NetTestRig.h"
#include "support/StationRig.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <cstdint>
#include <functional>
#include <optional>
#include <random>
#include <vector>

namespace tolvex::chaos {

// What one step does. Operator actions first, then what the TNC says.
enum class Act : std::uint8_t {
    ConnectDirect,
    ConnectViaNodes,
    Disconnect,
    ComposeFormal,
    ComposeScratch,
    Send,
    Broadcast,
    MemberButton,
    ControlButton,
    RoleChange,
    AnswerBox,
    Exit,
    IncomingConnect,
    CallAnswered,
    CallFailed,
    NodeAnswered,
    NodeFailed,
    Dropped,
    FarMessage,
    FarMessageCut,
    FarMessageDis,
    NetLine,
    GroupFrame,
    Garbage,
    Pause,
    Sabotage, // only the harness's own tests: runs ChaosRun::sabotage
};

// A step and the number its own choices (texts, chunks, pauses) are drawn from, so that removing
// other steps does not change what this one does.
struct Step {
    Act act;
    std::uint32_t arg;
};

const char* actName(Act act);
QString describe(const std::vector<Step>& steps);
// "Name:arg,Name:arg"; nothing when a name is unknown.
std::optional<std::vector<Step>> parseSteps(const QByteArray& text);
std::vector<Step> generate(std::uint64_t seed, int count);

// The TNC as the station's bytes leave it.
struct TncModel {
    enum class Link { None, Calling, Up };
    bool converse = false;
    Link link = Link::None;
    QByteArray far;            // who the link ends at: a node or a station
    QByteArray hop;            // the call a node is calling for the station
    bool unprotoArmed = false; // an UNPROTO with an address, until the next command character
    bool disconnectDue = false;
    int generation = 0; // counts links, so that an answer due for one does not end the next
    QByteArray commandLine, dataLine;
    bool farIsStation() const { return link == Link::Up && hop.isEmpty() && !far.startsWith("NODE"); }
};

class ChaosRun {
public:
    ChaosRun();
    ~ChaosRun();
    ChaosRun(const ChaosRun&) = delete;
    ChaosRun& operator=(const ChaosRun&) = delete;

    // Plays the steps, then lets the station settle and exit; the first break, with the number of
    // the step after which it showed (0 for the settling at the end).
    std::optional<QString> play(const std::vector<Step>& steps);

    std::function<void(ChaosRun&)> sabotage;

    StationLogic& logic();
    test::RecordingMainView& view();
    QString dir() const;

private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
};

// The first break of the steps on fresh stations, or nothing.
std::optional<QString> breakOf(const std::vector<Step>& steps,
                               const std::function<void(ChaosRun&)>& sabotage = {});
// The shortest list found that still breaks (one-at-a-time and halving removal).
std::vector<Step> shrink(std::vector<Step> steps, const std::function<void(ChaosRun&)>& sabotage = {});

} // namespace tolvex::chaos
