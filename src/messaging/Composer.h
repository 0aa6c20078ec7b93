#pragma once
// The logic of one compose window: filling it for a formal, scratchpad or edited message, the
// walk through a form's "=" fields, and turning the text into the pending message.
#include "PendingMessage.h"
#include "core/ParmsFile.h"
#include "core/Platform.h"
#include "core/Station.h"
#include "core/views/ComposeView.h"

#include <QByteArray>

namespace tolvex {

enum class ComposeMode { Formal, Scratch, Edit };

// What every compose window works with.
struct ComposeContext {
    Station& station;
    ParmsStore& store;
    const Clock& clock;
    MessageBoxes& boxes;
    PendingMessage& pending;
};

// The message number as a form shows it: blanks trimmed, at least three digits.
QByteArray formMessageNumber(const QByteArray& msgNo);
// The number after a stored formal message's.
QByteArray nextMessageNumber(const QByteArray& msgNo);
// One template line with its first <D>, <T>, <C> and <M> filled in (or made "= " fields when
// autofill is off). `time` is the short time followed by the time-zone text.
QByteArray fillTemplateLine(QByteArray line, bool autofill, const QByteArray& date, const QByteArray& time,
                            const QByteArray& callsign, const QByteArray& number);

class Composer {
public:
    // The mode is fixed for the window's life.
    Composer(ComposeMode mode, ComposeContext context, ComposeView& view);

    ComposeMode mode() const { return mode_; }
    // Whether "=" in the text marks a field to fill in (the text came from a form).
    bool walksFields() const { return fromForm_; }

    // The window opens: clears it and fills it for its mode. A new formal or scratchpad message
    // discards the pending one, unless the form cannot be read.
    void open();
    // Text1 got the focus from the operator.
    void textFocused();
    // A key typed in Text1 (tab: it is the Tab key); true when it was used here and must not
    // reach the box.
    bool textKeyPress(bool tab);
    // Whether a key typed into the subject is taken.
    bool subjectTakesKey() const;
    void disconnectClicked();
    // Stores the pending message and closes the window. An empty text, an end marker in the text
    // or subject, or a text line that begins like a header is refused with a notice, and the
    // window stays as it is.
    void done();
    void cancel();

private:
    bool prepareFormal();
    void prepareScratch();
    void prepareEdit();
    void takeField();
    void setFieldTabStops(bool stop);

    const ComposeMode mode_;
    ComposeContext ctx_;
    ComposeView& view_;
    bool fromForm_ = false;
};

} // namespace tolvex
