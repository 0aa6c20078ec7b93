#pragma once
// Test doubles of the platform services and of the main window's view.
#include "core/Platform.h"
#include "core/views/MainView.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>
#include <map>
#include <string>
#include <vector>

namespace tolvex::test {

// Timers on a manual clock: advance() runs what falls due, in time order.
class ManualScheduler : public Scheduler {
public:
    qint64 nowMs() const override { return now_; }
    TimerId callAfter(int ms, std::function<void()> fn) override;
    void cancel(TimerId id) override;
    // Move the clock forward by ms, running every timer that falls due on the way.
    void advance(qint64 ms);
    // Run timers until none is left (or limit ms pass).
    void runAll(qint64 limitMs = 600000);
    std::size_t pending() const { return timers_.size(); }

private:
    struct Timer {
        qint64 due;
        TimerId id;
        std::function<void()> fn;
    };
    qint64 now_ = 0;
    TimerId next_ = 1;
    std::vector<Timer> timers_;
};

// A serial port that records what was written, with the time of each write.
class FakeSerialPort : public SerialPort {
public:
    explicit FakeSerialPort(const Scheduler* clock = nullptr) : clock_(clock) {}
    bool open(const Config& config) override;
    void close() override {
        open_ = false;
        ++closes;
    }
    bool isOpen() const override { return open_; }
    bool write(const QByteArray& bytes) override;
    QString problem() const override { return problemText; }
    void receive(const QByteArray& bytes) {
        if (onReceived) onReceived(bytes);
    }

    struct Write {
        qint64 at;
        QByteArray bytes;
    };
    bool refuseOpen = false;
    QString problemText;
    Config lastConfig;
    int opens = 0;
    int closes = 0;
    std::vector<Write> writes;
    QByteArray written() const; // all writes joined

private:
    const Scheduler* clock_;
    bool open_ = false;
};

class RecordingMessageBoxes : public MessageBoxes {
public:
    struct Shown {
        QString title, text;
        Icon icon;
        Buttons buttons;
    };
    // A question is answered from `answers` when one is queued, else it waits in `waiting`
    // until answer() is called, as a box on screen would.
    void show(const QString& title, const QString& text, Icon icon, Buttons buttons,
              AnswerFn onAnswer) override {
        shown.push_back({title, text, icon, buttons});
        if (!onAnswer) return;
        if (!answers.isEmpty())
            onAnswer(answers.takeFirst());
        else
            waiting.push_back(std::move(onAnswer));
    }
    void answer(Answer a) {
        if (waiting.empty()) return;
        AnswerFn fn = std::move(waiting.front());
        waiting.erase(waiting.begin());
        fn(a);
    }
    // Every box shown, as "title|text".
    QStringList summaries() const {
        QStringList out;
        for (const Shown& s : shown)
            out << s.title + QLatin1Char('|') + s.text;
        return out;
    }
    std::vector<Shown> shown;
    QList<Answer> answers; // answers to give at once, in order
    std::vector<AnswerFn> waiting;
};

class RecordingUrlOpener : public UrlOpener {
public:
    bool openUrl(const QUrl& url) override {
        opened.push_back(url);
        return works;
    }
    std::vector<QUrl> opened;
    bool works = true;
};

class RecordingPrinter : public Printer {
public:
    bool printText(const QByteArray& text) override {
        printed.push_back(text);
        return works;
    }
    std::vector<QByteArray> printed;
    bool works = true;
};

class RecordingAlertSound : public AlertSound {
public:
    bool play(const QString& file) override {
        played.push_back(file);
        return works;
    }
    void stop() override { ++stops; }
    std::vector<QString> played;
    int stops = 0;
    bool works = true;
};

class ManualClock : public Clock {
public:
    QDate date() const override { return d; }
    QTime timeOfDay() const override { return t; }
    Zone zone() const override { return z; }
    qint64 monotonicMs() const override { return ms; }
    QDate d{2026, 12, 7};
    QTime t{14, 5, 9};
    Zone z;
    qint64 ms = 0;
};

// Records the main window's element states and pane texts, keyed by element name.
class RecordingMainView : public MainView {
public:
    void setVisible(MainElement e, bool v) override { visible[e.name] = v; }
    bool isVisible(MainElement e) const override { return shown(e.name); }
    void setText(MainElement e, const QByteArray& t) override { text[e.name] = t; }
    void setFocus(MainElement e) override { focus = e.name; }
    qsizetype paneLength(MainElement p) const override { return pane(p.name).size(); }
    void appendToPane(MainElement p, const QByteArray& t) override {
        panes[p.name] += t;
        ++appends;
    }
    void chopPane(MainElement p, qsizetype n) override { panes[p.name].chop(n); }
    void keepPaneTail(MainElement p, qsizetype n) override { panes[p.name] = panes[p.name].right(n); }
    void setPaneText(MainElement p, const QByteArray& t) override { panes[p.name] = t; }
    void emptyUndo(MainElement p) override { ++undoEmptied[p.name]; }
    void appendReceived(const QByteArray& t, TextColour c) override {
        received += t;
        receivedPieces.push_back({t, c});
    }
    qsizetype receivedLength() const override { return received.size(); }
    void removeReceived(qsizetype from, qsizetype n) override { received.remove(from, n); }
    QByteArray selectedText(MainElement e) const override {
        auto it = selection.find(e.name);
        return it == selection.end() ? QByteArray() : it->second;
    }
    bool printSelection(MainElement e) override {
        printedSelections.push_back(e.name);
        return printerWorks;
    }
    int screenHeightTwips() const override { return screenTwips; }

    bool shown(const char* e) const {
        auto it = visible.find(e);
        return it != visible.end() && it->second;
    }
    QByteArray pane(const char* p) const {
        auto it = panes.find(p);
        return it == panes.end() ? QByteArray() : it->second;
    }
    QByteArray caption(const char* e) const {
        auto it = text.find(e);
        return it == text.end() ? QByteArray() : it->second;
    }
    QByteArray received; // rtbRcvd's text
    std::vector<std::pair<QByteArray, TextColour>> receivedPieces;
    std::map<std::string, QByteArray> selection;
    std::vector<std::string> printedSelections;
    bool printerWorks = true;
    int screenTwips = 11520; // 1024 by 768 at 96 dpi

    std::map<std::string, bool> visible;
    std::map<std::string, QByteArray> text;
    std::map<std::string, QByteArray> panes;
    std::map<std::string, int> undoEmptied;
    std::string focus;
    int appends = 0;
};

} // namespace tolvex::test
