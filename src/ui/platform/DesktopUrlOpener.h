#pragma once
// Opens a URL with the desktop's own handler (a help page in the web browser).
#include "core/Platform.h"

namespace tolvex {

class DesktopUrlOpener final : public UrlOpener {
public:
    bool openUrl(const QUrl& url) override;
};

} // namespace tolvex
