#pragma once
// Stations for the end-to-end tests: new station folders from the default files with a few
// settings changed, and the simulator started on them.
#include "support/Files.h"

#include <QAbstractButton>
#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTest>

namespace tolvex::e2e {

// A new station with call `call`; `settings` is "Key=value;Key=value" replacing those lines.
// The alert is off: there is no sound device under test.
inline QString makeStation(const QString& dir, const QByteArray& call, const QByteArray& settings = {}) {
    const QString defaults = QStringLiteral(TOLVEX_BIN_DIR) + "/station-default";
    QDir().mkpath(dir + "/Forms");
    for (const QString& name : QDir(defaults).entryList(QDir::Files))
        QFile::copy(defaults + "/" + name, dir + "/" + name);
    QFile in(dir + "/Parms.inf");
    if (!in.open(QIODevice::ReadOnly)) return {};
    QByteArray parms = "\n" + in.readAll();
    in.close();
    QByteArray all = "Callsign=" + call + ";SSID=" + call + "-1;AlertPref=2";
    if (!settings.isEmpty()) all += ";" + settings;
    for (const QByteArray& kv : all.split(';')) {
        const QByteArray key = "\n" + kv.left(kv.indexOf('=') + 1);
        const qsizetype at = parms.indexOf(key);
        if (at >= 0) parms.replace(at + 1, parms.indexOf('\r', at) - at - 1, kv);
    }
    QFile::setPermissions(dir + "/Parms.inf", QFile::ReadOwner | QFile::WriteOwner);
    QFile out(dir + "/Parms.inf");
    if (!out.open(QIODevice::WriteOnly)) return {};
    out.write(parms.mid(1));
    return dir;
}

// Starts tncsim with `args` and waits for it to say it is ready; `ready` gets what it printed.
inline bool startSimulator(QProcess& sim, const QStringList& args, QByteArray* ready = nullptr) {
    sim.start(QStringLiteral(TNCSIM_BIN), args);
    if (!sim.waitForStarted(5000)) return false;
    QByteArray out;
    for (int i = 0; i < 50 && !out.contains("tncsim ready"); ++i) {
        sim.waitForReadyRead(100);
        out += sim.readAllStandardOutput();
    }
    if (ready) *ready = out;
    return out.contains("tncsim ready");
}

// Broadcasts `text` to the first group through the main window's "Broadcast" dialog, as the
// operator would; false when the dialog did not open or had no first group.
inline bool broadcastToFirstGroup(QWidget& mainWindow, const QString& text) {
    auto* open = mainWindow.findChild<QAbstractButton*>(QStringLiteral("cmdGroup"));
    if (!open) return false;
    open->click();
    QWidget* dialog = nullptr;
    (void)QTest::qWaitFor(
        [&] {
            for (QWidget* top : QApplication::topLevelWidgets())
                if (top->objectName() == QLatin1String("frmBroadcast") && top->isVisible()) dialog = top;
            return dialog != nullptr;
        },
        2000);
    auto* group = dialog ? dialog->findChild<QAbstractButton*>(QStringLiteral("Option1_0")) : nullptr;
    auto* line = dialog ? dialog->findChild<QLineEdit*>(QStringLiteral("Text1")) : nullptr;
    auto* send = dialog ? dialog->findChild<QAbstractButton*>(QStringLiteral("cmdSend")) : nullptr;
    if (!group || !line || !send) return false;
    group->click();
    line->setText(text);
    send->click();
    return true;
}

} // namespace tolvex::e2e
