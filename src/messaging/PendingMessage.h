#pragma once
// The one outgoing message the station holds: kept in memory and in Messages/temp.txt so that it
// survives a restart, and shown on the main window by the pending-message buttons.
#include "core/Platform.h"
#include "core/Station.h"
#include "core/views/MainView.h"
#include "link/LinkSession.h"
#include "link/TncPort.h"

#include <QByteArray>
#include <QString>
#include <functional>

namespace tolvex {

class PendingMessage {
public:
    PendingMessage(const Station& station, MessageBoxes& boxes, MainView& view, LinkSession& session,
                   TncPort& tnc);

    static constexpr const char* endMarker = "\r\n$^\r\n";

    const QByteArray& subject() const { return subject_; }
    // The ".hdr" line without line end.
    const QByteArray& header() const { return header_; }
    // The text, then CR LF "$^" CR LF; lines end in CR LF.
    const QByteArray& body() const { return body_; }
    // The body with every LF removed: what goes on the air.
    QByteArray bodyForTnc() const;
    bool isPending() const { return !body_.isEmpty(); }
    // Whether the text was filled in from a form, so its "=" marks are fields to fill.
    bool fromForm() const { return fromForm_; }

    // Keeps `text` (as typed, CR LF lines) with the end marker as the pending message, writes
    // temp.txt whole and shows the pending-message buttons. A file that cannot be written is
    // reported; the message is pending in memory all the same.
    void store(const QByteArray& subject, const QByteArray& header, const QByteArray& text, bool fromForm);
    // Discards the pending message and its file.
    void erase();
    // Asks before erasing; the focus goes back to the active pane either way.
    void askErase();
    // At start-up: takes up the message left in temp.txt, as much of it as can be read.
    void loadDraft();

    QString draftPath() const;

    // The pending state changed (stored, erased or loaded).
    std::function<void(bool pending)> onChanged;

private:
    void changed();

    const Station& station_;
    MessageBoxes& boxes_;
    MainView& view_;
    LinkSession& session_;
    TncPort& tnc_;
    QByteArray subject_, header_, body_;
    bool fromForm_ = false;
};

} // namespace tolvex
