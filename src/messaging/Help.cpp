#include "Help.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace tolvex {

QString findHelpFolder(const QString& stationDir) {
    const QString helpDir = QDir::fromNativeSeparators(stationDir) + QStringLiteral("/Help/");
    if (!QFileInfo(helpDir + QLatin1String(helpMainPage)).isFile()) return QString::fromLatin1(helpNotFound);
    return helpDir;
}

void showHelp(const QString& stationDir, const QString& page, UrlOpener& opener, MessageBoxes& boxes) {
    const QString helpDir = findHelpFolder(stationDir);
    if (helpDir == QLatin1String(helpNotFound)) {
        boxes.show(QStringLiteral("Help file not found"), QStringLiteral("Help file not found.\r\n"));
        return;
    }
    // Only the help set's main page is checked; the page asked for goes to the browser as it is.
    // The desktop reports a browser that is missing and one that fails to start alike, so both
    // end in the one message about a missing browser.
    if (!opener.openUrl(QUrl::fromLocalFile(helpDir + page))) {
        boxes.show(QStringLiteral("Web browser not found"),
                   QStringLiteral("A web browser is needed to view help files.\r\n"
                                  "Unable to find a web browser on this computer."));
    }
}

} // namespace tolvex
