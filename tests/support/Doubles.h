#pragma once
// Test doubles of the platform services and of the main window's view.
#include "core/Platform.h"
#include "core/views/MainView.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QSet>
#include <QString>
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
    void close() override { open_ = false; ++closes; }
    bool isOpen() const override { return open_; }
    bool write(const QByteArray& bytes) override;
    void receive(const QByteArray& bytes) { if (onReceived) onReceived(bytes); }

    struct Write {
        qint64 at;
        QByteArray bytes;
    };
    bool refuseOpen = false;
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
    Answer show(const QString& title, const QString& text, Icon icon, Buttons buttons) override {
        shown.push_back({title, text, icon, buttons});
        return answers.isEmpty() ? Answer::Ok : answers.takeFirst();
    }
    std::vector<Shown> shown;
    QList<Answer> answers; // answers to give, in order; Ok when none is left
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

// Records the main window's element states and pane texts.
class RecordingMainView : public MainView {
public:
    void setVisible(const char* e, bool v) override { visible[e] = v; }
    bool isVisible(const char* e) const override { auto it = visible.find(e); return it != visible.end() && it->second; }
    void setText(const char* e, const QByteArray& t) override { text[e] = t; }
    void setFocus(const char* e) override { focus = e; }
    qsizetype paneLength(const char* p) const override { return pane(p).size(); }
    void appendToPane(const char* p, const QByteArray& t) override { panes[p] += t; ++appends; }
    void chopPane(const char* p, qsizetype n) override { panes[p].chop(n); }
    void keepPaneTail(const char* p, qsizetype n) override { panes[p] = panes[p].right(n); }
    void setPaneText(const char* p, const QByteArray& t) override { panes[p] = t; }
    void emptyUndo(const char* p) override { ++undoEmptied[p]; }

    QByteArray pane(const char* p) const { auto it = panes.find(p); return it == panes.end() ? QByteArray() : it->second; }
    QByteArray caption(const char* e) const { auto it = text.find(e); return it == text.end() ? QByteArray() : it->second; }

    std::map<std::string, bool> visible;
    std::map<std::string, QByteArray> text;
    std::map<std::string, QByteArray> panes;
    std::map<std::string, int> undoEmptied;
    std::string focus;
    int appends = 0;
};

} // namespace tolvex::test
