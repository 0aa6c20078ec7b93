#pragma once
// Pictures of the program for its documentation. With TOLVEX_SCREENSHOT_DIR set, the program
// photographs its windows into that folder once the station is running and then ends:
// main.png (when a message has come in), compose.png, net-control.png and log.png. The windows
// are found and their buttons pressed by element name, so a window that moves or grows is still
// found; one that cannot be found leaves its picture out, and the run ends with exit code 2.
#include <QObject>
#include <QString>
#include <QTimer>

namespace tolvex {

class ScreenshotTour : public QObject {
public:
    // Starts a tour when the environment asks for one; nothing otherwise.
    static void startIfAsked(QObject* parent);

    // How long the main window waits for a message before it is taken without one.
    static constexpr int kMessageWaitMs = 60'000;

private:
    ScreenshotTour(QString dir, QObject* parent);
    void tick();
    bool take(const char* window, const QString& file);
    void finish();

    QString dir_;
    QTimer timer_;
    int step_ = 0;
    int waitedMs_ = 0;
    bool missing_ = false;
};

} // namespace tolvex
