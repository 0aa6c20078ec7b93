#include "ScreenshotTour.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QWidget>
#include <cstdio>

namespace tolvex {

namespace {

constexpr int kTickMs = 250;

QWidget* window(const char* name) {
    const QString wanted = QString::fromLatin1(name);
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == wanted && w->isVisible()) return w;
    return nullptr;
}

bool press(const char* windowName, const char* button) {
    QWidget* w = window(windowName);
    auto* b = w ? w->findChild<QAbstractButton*>(QString::fromLatin1(button)) : nullptr;
    if (!b || !b->isVisible()) return false;
    b->click();
    return true;
}

// The log shows the newest received message, as the operator would open it.
bool selectFirst(const char* windowName, const char* listName) {
    QWidget* w = window(windowName);
    auto* list = w ? w->findChild<QAbstractItemView*>(QString::fromLatin1(listName)) : nullptr;
    if (!list || !list->model() || list->model()->rowCount() == 0) return false;
    list->setCurrentIndex(list->model()->index(0, 0));
    return true;
}

bool messageShown() {
    QWidget* main = window("frmMain");
    QObject* pane = main ? main->findChild<QObject*>(QStringLiteral("rtbRcvd")) : nullptr;
    return pane && !pane->property("plainText").toString().trimmed().isEmpty();
}

} // namespace

void ScreenshotTour::startIfAsked(QObject* parent) {
    const QString dir = qEnvironmentVariable("TOLVEX_SCREENSHOT_DIR");
    if (dir.isEmpty()) return;
    QDir().mkpath(dir);
    new ScreenshotTour(dir, parent);
}

ScreenshotTour::ScreenshotTour(QString dir, QObject* parent) : QObject(parent), dir_(std::move(dir)) {
    connect(&timer_, &QTimer::timeout, this, &ScreenshotTour::tick);
    timer_.start(kTickMs);
}

bool ScreenshotTour::take(const char* name, const QString& file) {
    QWidget* w = window(name);
    const QString path = QDir(dir_).filePath(file);
    if (!w || !w->grab().save(path, "PNG")) {
        std::fprintf(stderr, "tolvex: no picture of %s\n", name);
        missing_ = true;
        return false;
    }
    std::fprintf(stderr, "tolvex: %s\n", qPrintable(path));
    return true;
}

// One step per tick, each after the event loop has drawn what the one before opened.
void ScreenshotTour::tick() {
    switch (step_) {
    case 0: // the main window with the practice station's first message
        waitedMs_ += kTickMs;
        if (!messageShown() && waitedMs_ < kMessageWaitMs) return;
        if (!messageShown()) missing_ = true;
        take("frmMain", QStringLiteral("main.png"));
        if (!press("frmMain", "cmdCompose")) missing_ = true;
        break;
    case 1:
        take("frmCompose", QStringLiteral("compose.png"));
        take("frmNCS", QStringLiteral("net-control.png"));
        if (!press("frmMain", "cmdLog")) missing_ = true;
        break;
    case 2:
        if (!selectFirst("frmLog", "lstRcvd")) missing_ = true;
        break;
    case 3:
        take("frmLog", QStringLiteral("log.png"));
        finish();
        return;
    }
    ++step_;
}

void ScreenshotTour::finish() {
    timer_.stop();
    QCoreApplication::exit(missing_ ? 2 : 0);
}

} // namespace tolvex
