#include "DesktopUrlOpener.h"

#include <QDesktopServices>

namespace tolvex {

bool DesktopUrlOpener::openUrl(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

} // namespace tolvex
