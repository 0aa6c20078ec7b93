#include "NetConsoleWindow.h"

#include <QKeyEvent>

namespace tolvex {

NetConsoleWindow::NetConsoleWindow(const QString& name, const QString& title, const QWidget* mainWindow,
                                   QWidget* parent)
    : QWidget(parent, Qt::Window), mainWindow_(mainWindow) {
    setObjectName(name);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::NonModal);
    setWindowTitle(title);
}

void NetConsoleWindow::track(QWidget* widget) {
    widget->setMouseTracking(true);
    widget->installEventFilter(this);
}

void NetConsoleWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (placed_ || !mainWindow_) return;
    placed_ = true;
    // Straddling the main window's right edge, a third of the way down.
    const QRect main = mainWindow_->frameGeometry();
    move(main.x() + main.width() - frameGeometry().width() / 2, main.y() + main.height() / 3);
}

int NetConsoleWindow::messageKeyCode(const QKeyEvent& key) {
    if (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter) return 13;
    return key.text().isEmpty() ? 0 : key.text().at(0).unicode();
}

} // namespace tolvex
