#pragma once
// SIGTERM, SIGINT and SIGHUP (a desktop logout, Ctrl-C in a terminal) reach the event loop as a
// call, so the program ends the way File, Exit ends it and the TNC gets its UNPROTO path back.
#include <QObject>
#include <QSocketNotifier>
#include <functional>

namespace tolvex {

class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(std::function<void()> onSignal, QObject* parent = nullptr);
    ~TerminationSignals() override;

private:
    void readSignal();
    std::function<void()> onSignal_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace tolvex
