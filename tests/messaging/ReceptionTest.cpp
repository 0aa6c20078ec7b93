#include "messaging/Reception.h"
#include "support/Files.h"
#include "support/StationRig.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace tolvex {
namespace {

using Colour = TextColour;

const QByteArray Banner = "\r\n\r\n=========== MESSAGE RECEIVED  07 Dec 2026  14:05============\r\n";

// A station in a temporary folder with reception built on the rig's doubles.
struct ReceptionRig {
    QTemporaryDir dir;
    std::unique_ptr<test::StationRig> rig;
    std::unique_ptr<TimeTexts> time;
    std::unique_ptr<Alert> alert;
    std::unique_ptr<Reception> reception;

    ReceptionRig() {
        rig = std::make_unique<test::StationRig>(dir.path());
        test::useDefaultTexts(rig->station);
        time = std::make_unique<TimeTexts>(rig->wallClock, rig->station.settings);
        alert = std::make_unique<Alert>(rig->clock, rig->immediateSound, rig->fallbackSound, dir.path());
        reception = std::make_unique<Reception>(rig->station, rig->session, rig->view, *time, *alert,
                                                rig->printer, rig->boxes, rig->tnc);
    }
    QString messages() const { return dir.filePath(QStringLiteral("Messages")); }
    // Takes a message the way the stream processor hands it over.
    void receive(const QByteArray& header, const QByteArray& body, int kind = 1) {
        rig->session.requests = MessageRequests{};
        if (!header.isEmpty()) reception->processHeader(header);
        reception->processIncoming(header + body, kind);
        rig->session.requests = MessageRequests{};
    }
    QStringList files() const {
        return QDir(messages()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }
};

// What is wrong on the station when the message comes.
enum class Fault { None, NoFolder, PrinterFails, FolderIsFile, FolderReadOnly };

struct Case {
    const char* what;
    std::int16_t printPref, alertPref;
    const char* save;
    Fault fault;
    QByteArray header; // empty: an unconnected capture (kind 0)
    QByteArray body;
    QByteArray shown; // the black text; empty: header and body as they came
    const char* acts; // "print", "alert", "confirm" as expected
    QString file;     // saved in Messages; empty: none
    const char* box;  // title of the one box, or empty
};

TEST(Reception, ActsOnPreferencesRequestsAndFaults) {
    const QByteArray hdr = ".hdr  _W1AW _Hello\r";
    const QString plain = QStringLiteral("r1207140509_W1AW_Hello.txt");
    const QByteArray confirm =
        "\r\n>> Please confirm receipt of this message from W1AW Subject: Hello <<\r\n";
    // clang-format off
    const std::vector<Case> cases = {
        {"all on, first message of a new station", 0, 0, "1", Fault::NoFolder, hdr, "Hi\r", {}, "print alert", plain, ""},
        {"remote print request", 1, 1, "1", Fault::None, ".hdr  .pon  _W1AW _Hello\r", "x\r", {}, "print", plain, ""},
        {"remote alert and confirmation", 1, 1, "1", Fault::None, ".hdr  .aon  .ack  _W1AW _Hello\r", "x\r", {}, "alert confirm", plain, ""},
        {"requests ignored when never", 2, 2, "1", Fault::None, ".hdr  .aon  .pon  _W1AW _Hello\r", "x\r", {}, "", plain, ""},
        {"not saved", 2, 2, "0", Fault::None, hdr, "x\r", {}, "", {}, ""},
        {"capture: backspaces, then prompts", 0, 2, "1", Fault::None, {}, "\ba\bcmd:ab\bc cmd:xcmcmd:d:y\r", "ac xy\r", "print", QStringLiteral("r1207140509__.txt"), ""},
        {"a link message keeps its cmd:", 2, 2, "1", Fault::None, hdr, "a\bcmd:\r", hdr + "cmd:\r", "", plain, ""},
        {"print fails, the rest goes on", 0, 0, "1", Fault::PrinterFails, hdr, "x\r", {}, "print alert", plain, "Unable to print"},
        {"names cannot leave Messages", 2, 2, "1", Fault::None, ".hdr  _../W1\\AW _../..\\x\x01y\r\n", "x\r", {}, "", QStringLiteral("r1207140509_..-W1-AW_..-..-x-y.txt"), ""},
        {"NUL bytes go through", 2, 2, "1", Fault::None, hdr, QByteArray("a\0b\r", 4), {}, "", plain, ""},
        {"Messages is a file", 2, 0, "1", Fault::FolderIsFile, hdr, "x\r", {}, "alert", {}, "Unable to save"},
        {"Messages is read-only", 2, 2, "1", Fault::FolderReadOnly, hdr, "x\r", {}, "", {}, "Unable to save"},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ReceptionRig r;
        ASSERT_TRUE(r.dir.isValid());
        Settings& s = r.rig->station.settings;
        s.PrintPref = c.printPref;
        s.AlertPref = c.alertPref;
        s.SaveRcvdMsgs = c.save;
        r.rig->printer.works = c.fault != Fault::PrinterFails;
        if (c.fault == Fault::FolderIsFile) {
            QFile f(r.messages());
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        } else if (c.fault != Fault::NoFolder) {
            ASSERT_TRUE(QDir().mkpath(r.messages()));
        }
        if (c.fault == Fault::FolderReadOnly) {
            QFile::setPermissions(r.messages(), QFile::ReadOwner | QFile::ExeOwner);
            QFile probe(QDir(r.messages()).filePath(QStringLiteral("probe")));
            if (probe.open(QIODevice::WriteOnly)) { // a superuser writes anyway: the row proves nothing
                probe.remove();
                continue;
            }
        }

        r.receive(c.header, c.body, c.header.isEmpty() ? 0 : 1);

        const QByteArray acts = c.acts;
        const QByteArray shown = c.shown.isEmpty() ? c.header + c.body : c.shown;
        std::vector<std::pair<QByteArray, Colour>> pieces = {{Banner, Colour::Blue}};
        if (acts.contains("confirm")) pieces.push_back({confirm, Colour::Red});
        pieces.push_back({shown, Colour::Black});
        EXPECT_EQ(r.rig->view.receivedPieces, pieces);
        EXPECT_EQ(r.rig->printer.printed, acts.contains("print") ? std::vector<QByteArray>{Banner + shown}
                                                                 : std::vector<QByteArray>{});
        EXPECT_EQ(r.rig->immediateSound.played.size(), acts.contains("alert") ? 1u : 0u);
        EXPECT_EQ(r.files(), c.file.isEmpty() ? QStringList() : QStringList{c.file});
        if (!c.file.isEmpty()) {
            EXPECT_EQ(test::readFile(QDir(r.messages()).filePath(c.file)), Banner + shown + "\r\n");
        }
        // Nothing lands beside Messages.
        EXPECT_EQ(QDir(r.dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                  QStringList{QStringLiteral("Messages")});
        // A message that could not be saved is not counted.
        const bool saveFailed = QByteArray(c.box) == "Unable to save";
        EXPECT_EQ(r.rig->station.RcvdCount, saveFailed ? 0 : 1);
        EXPECT_EQ(r.rig->view.shown("lblRCount_1"), !saveFailed);
        ASSERT_EQ(r.rig->boxes.shown.size(), *c.box ? 1u : 0u);
        if (*c.box) {
            const auto& box = r.rig->boxes.shown.front();
            EXPECT_EQ(box.title, QString::fromLatin1(c.box));
            EXPECT_EQ(box.icon, MessageBoxes::Icon::Warning);
            EXPECT_EQ(box.buttons, MessageBoxes::Buttons::Ok);
            EXPECT_EQ(box.text,
                      saveFailed
                          ? QStringLiteral("Unable to save message at F1:ProcessIncoming\r\nFileLoc = ") +
                                QDir(r.messages()).filePath(plain)
                          : QStringLiteral("Unable to print message at F1:ProcessIncoming"));
        }
    }
}

TEST(Reception, KeepsEveryMessageCountsAndClears) {
    ReceptionRig r;
    ASSERT_TRUE(r.dir.isValid());
    auto& view = r.rig->view;
    Settings& s = r.rig->station.settings;
    s.PrintPref = s.AlertPref = 2;
    s.SaveRcvdMsgs = "1";

    // The header is read with the link state and the sending flag of the moment.
    const QByteArray dis = ".hdr  .dis  _W1AW _Hello\r";
    r.rig->session.setState(LinkState::LinkBbs);
    r.reception->processHeader(dis);
    EXPECT_FALSE(r.rig->session.requests.DisconnectRequest);
    r.rig->session.setState(LinkState::LinkConnected);
    r.reception->processHeader(dis);
    EXPECT_TRUE(r.rig->session.requests.DisconnectRequest);
    r.rig->session.Sending = true;
    r.reception->processHeader(dis);
    EXPECT_FALSE(r.rig->session.requests.DisconnectRequest);
    r.rig->session.Sending = false;
    EXPECT_EQ(r.rig->session.requests.MsgSubject, "Hello");

    // Two messages of one name in one second are both kept; the counter follows.
    r.receive(".hdr  _W1AW _Hello\r", "one\r");
    EXPECT_EQ(view.caption("lblRCount_1"), "1");
    r.receive(".hdr  _W1AW _Hello\r", "two\r");
    ASSERT_EQ(r.files(), (QStringList{QStringLiteral("r1207140509-2_W1AW_Hello.txt"),
                                      QStringLiteral("r1207140509_W1AW_Hello.txt")}));
    EXPECT_TRUE(test::readFile(QDir(r.messages()).filePath(r.files().at(0))).contains("two"));
    for (const char* e : {"shpRM", "lblRCount_0", "lblRCount_1"})
        EXPECT_TRUE(view.shown(e)) << e;
    EXPECT_EQ(view.caption("lblRCount_1"), "2");

    // A click on the counter hides it and keeps the pane.
    const QByteArray pane = view.received;
    r.reception->resetCount();
    EXPECT_EQ(r.rig->station.RcvdCount, 0);
    for (const char* e : {"shpRM", "lblRCount_0", "lblRCount_1"})
        EXPECT_FALSE(view.shown(e)) << e;
    EXPECT_EQ(view.received, pane);

    const QByteArray body = "x\r";
    // Clear empties the pane and the count, and gives the focus back to the visible pane.
    view.visible["tbMon"] = true;
    r.reception->clearPane();
    EXPECT_TRUE(view.received.isEmpty());
    EXPECT_EQ(r.rig->station.RcvdCount, 0);
    EXPECT_FALSE(view.shown("shpRM"));
    EXPECT_EQ(view.focus, "tbMon");

    // The count is kept only on a screen taller than 7200 twips.
    for (const int twips : {7200, 7201}) {
        view.screenTwips = twips;
        r.receive({}, body, 0);
    }
    EXPECT_EQ(r.rig->station.RcvdCount, 1);
}

// The pane is kept short by whole messages, oldest first: it never starts inside one, and the
// newest is always there whole, even when it alone passes the limit.
TEST(Reception, ThePaneDropsWholeOlderMessages) {
    ReceptionRig r;
    Settings& s = r.rig->station.settings;
    s.PrintPref = s.AlertPref = 2;
    s.SaveRcvdMsgs = "0";
    QByteArray& pane = r.rig->view.received;
    const auto message = [](char c, qsizetype n) { return Banner + QByteArray(n, c) + "\r"; };
    ASSERT_EQ(message('a', 600).size(), 667);

    for (int i = 0; i < 14; ++i) {
        const char c = char('a' + i);
        r.receive({}, QByteArray(600, c) + "\r", 0);
        EXPECT_TRUE(pane.startsWith(Banner)) << i;
        EXPECT_TRUE(pane.endsWith(message(c, 600))) << i;
        EXPECT_LE(pane.size(), Reception::PaneLimit) << i;
    }
    // The twelfth took the pane to 8004: the seven newest (4669) stayed, then two more came.
    QByteArray expected;
    for (char c = 'f'; c <= 'n'; ++c)
        expected += message(c, 600);
    EXPECT_EQ(pane, expected);

    // A message longer than the limit by itself stays whole and alone, and goes whole in turn.
    r.receive({}, QByteArray(9000, 'L') + "\r", 0);
    EXPECT_EQ(pane, message('L', 9000));
    r.receive({}, "after\r", 0);
    EXPECT_EQ(pane, Banner + "after\r");

    // Exactly the limit stays; past it, text that came before the messages goes first.
    r.reception->clearPane();
    pane = QByteArray(Reception::PaneLimit - 667, 'p');
    r.receive({}, QByteArray(600, 'x') + "\r", 0);
    EXPECT_EQ(pane.size(), Reception::PaneLimit);
    r.receive({}, QByteArray(600, 'y') + "\r", 0);
    EXPECT_EQ(pane, message('x', 600) + message('y', 600));
}

} // namespace
} // namespace tolvex
