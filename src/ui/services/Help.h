#pragma once
// Help pages: HTML files in the station's Help folder, shown in the computer's web browser.
#include "core/Platform.h"

#include <QString>
#include <QUrl>
#include <utility>

namespace tolvex {

// Opens a URL in the desktop's browser; false when no browser could be started.
class UrlOpener {
public:
    virtual ~UrlOpener() = default;
    virtual bool openUrl(const QUrl& url) = 0;
};

// The desktop's own handler for the URL (QDesktopServices).
class DesktopUrlOpener final : public UrlOpener {
public:
    bool openUrl(const QUrl& url) override;
};

// The page whose presence stands for the whole help set.
inline constexpr const char* HelpPage = "CompMess.html";
inline constexpr const char* HelpNotFound = "NOTFOUND";

// The help folder of the station ("<dir>/Help/"), or "NOTFOUND" when the help set is missing.
QString FindHelpFile(const QString& stationDir);

// Opens one page of the help set; reports a missing help set or browser in a message box.
void ShowHelp(const QString& stationDir, const QString& page, UrlOpener& opener, MessageBoxes& boxes);

// What a window holds to open its help page.
class Help {
public:
    Help(QString stationDir, UrlOpener& opener, MessageBoxes& boxes)
        : stationDir_(std::move(stationDir)), opener_(opener), boxes_(boxes) {}
    void show(const QString& page) const { ShowHelp(stationDir_, page, opener_, boxes_); }

private:
    QString stationDir_;
    UrlOpener& opener_;
    MessageBoxes& boxes_;
};

} // namespace tolvex
