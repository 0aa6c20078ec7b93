#include "messaging/Help.h"
#include "support/Doubles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <vector>

namespace tolvex {
namespace {

class RecordingOpener : public UrlOpener {
public:
    bool openUrl(const QUrl& url) override {
        opened.push_back(url);
        return result;
    }
    bool result = true;
    std::vector<QUrl> opened;
};

struct HelpCase {
    const char* what;
    const char* stationSub; // the station folder under a temporary root
    bool helpDir;
    bool mainPage; // Help/CompMess.html present
    bool browser;
    const char* title; // nullptr: no message box
    const char* text;
    const char* urlTail; // how the page's URL ends when the browser is asked
};

TEST(Help, FindsTheHelpSetAndTheBrowser) {
    const std::vector<HelpCase> cases = {
        {"no Help folder", "st", false, false, true, "Help file not found", "Help file not found.\r\n",
         nullptr},
        {"Help folder without its main page", "st", true, false, true, "Help file not found",
         "Help file not found.\r\n", nullptr},
        {"no browser", "st", true, true, false, "Web browser not found",
         "A web browser is needed to view help files.\r\nUnable to find a web browser on this computer.",
         "/st/Help/ViewLog.html"},
        {"all there: the page asked for is not checked", "st", true, true, true, nullptr, nullptr,
         "/st/Help/ViewLog.html"},
        {"blanks in the station path", "My Station/Net 1", true, true, true, nullptr, nullptr,
         "/My%20Station/Net%201/Help/ViewLog.html"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir root;
        ASSERT_TRUE(root.isValid());
        const QString station = root.filePath(QString::fromLatin1(c.stationSub));
        ASSERT_TRUE(QDir().mkpath(c.helpDir ? station + "/Help" : station));
        if (c.mainPage) {
            QFile page(station + "/Help/CompMess.html");
            ASSERT_TRUE(page.open(QIODevice::WriteOnly));
            page.write("<html></html>");
        }
        RecordingOpener opener;
        opener.result = c.browser;
        test::RecordingMessageBoxes boxes;

        Help(station, opener, boxes).show(QStringLiteral("ViewLog.html"));

        EXPECT_EQ(findHelpFolder(station), c.mainPage ? station + "/Help/" : QStringLiteral("NOTFOUND"));
        if (c.title) {
            ASSERT_EQ(boxes.shown.size(), 1u);
            EXPECT_EQ(boxes.shown[0].title, QString::fromLatin1(c.title));
            EXPECT_EQ(boxes.shown[0].text, QString::fromLatin1(c.text));
            EXPECT_EQ(boxes.shown[0].buttons, MessageBoxes::Buttons::Ok);
        } else {
            EXPECT_TRUE(boxes.shown.empty());
        }
        ASSERT_EQ(opener.opened.size(), c.urlTail ? 1u : 0u);
        if (c.urlTail) {
            const QUrl url = opener.opened[0];
            EXPECT_EQ(url.toLocalFile(), station + "/Help/ViewLog.html");
            EXPECT_TRUE(url.toEncoded().startsWith("file:///"));
            EXPECT_TRUE(url.toEncoded().endsWith(c.urlTail)) << url.toEncoded().constData();
        }
    }
}

} // namespace
} // namespace tolvex
