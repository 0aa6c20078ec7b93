#pragma once
// Help pages: HTML files in the station's Help folder, shown in the desktop's web browser.
#include "core/Platform.h"

#include <QString>
#include <utility>

namespace tolvex {

// The page whose presence stands for the whole help set.
inline constexpr const char* helpMainPage = "CompMess.html";
inline constexpr const char* helpNotFound = "NOTFOUND";

// The station's help folder ("<dir>/Help/"), or "NOTFOUND" when the help set is missing.
QString findHelpFolder(const QString& stationDir);

// Opens one page of the help set; reports a missing help set or browser in a message box.
void showHelp(const QString& stationDir, const QString& page, UrlOpener& opener, MessageBoxes& boxes);

// What a window holds to open its help page.
class Help {
public:
    Help(QString stationDir, UrlOpener& opener, MessageBoxes& boxes)
        : stationDir_(std::move(stationDir)), opener_(opener), boxes_(boxes) {}
    void show(const QString& page) const { showHelp(stationDir_, page, opener_, boxes_); }

private:
    QString stationDir_;
    UrlOpener& opener_;
    MessageBoxes& boxes_;
};

} // namespace tolvex
