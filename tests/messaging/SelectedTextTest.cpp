// Saving the monitor's selection into the log, and printing the panes' selections.
#include "messaging/SelectedText.h"
#include "messaging/MessageFiles.h"
#include "support/StationRig.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tolvex;
using namespace tolvex::test;

TEST(SelectedText, SavedSelectionsAreKeptUnderSafeNamesAndAFailedSaveKeepsTheBoxOpen) {
    QTemporaryDir dir;
    StationRig rig{dir.path()};
    rig.station.dir = dir.path();
    TimeTexts times{rig.wallClock, rig.station.settings};
    SelectedText selected{rig.station, rig.view, rig.tnc, rig.printer, rig.boxes, times};
    rig.view.visible["tbMon"] = true;

    selected.askSubject();
    EXPECT_TRUE(rig.view.shown("frSave"));
    EXPECT_EQ(rig.view.focus, "txtSave");
    selected.monitorSelected("W1AW>CQ: net\nat 8\r\nQSL?\rend\n");
    selected.save("net"); // the folder is made when missing
    selected.save("net"); // same name in the same second: both kept
    selected.monitorSelected({});
    selected.save("../../etc/x"); // never outside Messages
    EXPECT_FALSE(rig.view.shown("frSave"));
    QStringList names = QDir(dir.filePath("Messages")).entryList(QDir::Files, QDir::Name);
    ASSERT_EQ(names.size(), 3);
    for (const QString& name : names) {
        EXPECT_TRUE(name.startsWith("r1207140509")) << name.toStdString();
        EXPECT_EQ(parseMessageName(name.toLatin1()).correspondent, "SelText");
    }
    QFile first(dir.filePath("Messages/" + names[0]));
    ASSERT_TRUE(first.open(QIODevice::ReadOnly));
    EXPECT_EQ(first.readAll(), "W1AW>CQ: net\r\nat 8\r\nQSL?\r\nend\r\n\r\n"); // CR LF throughout

    // A save that cannot be written says so in the words of the reception save message.
    rig.station.dir = dir.filePath("missing/and/a/file");
    QFile blocker(dir.filePath("missing"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    selected.askSubject();
    selected.save("lost");
    ASSERT_FALSE(rig.boxes.shown.empty());
    EXPECT_EQ(rig.boxes.shown.back().title, "Unable to save");
    EXPECT_TRUE(
        rig.boxes.shown.back().text.startsWith("Unable to save message at F1:ProcessIncoming\r\nFileLoc = "));
    EXPECT_TRUE(rig.view.shown("frSave"));
}

TEST(SelectedText, PrintingLooksAtTheVisiblePaneOnly) {
    struct Case {
        const char* name;
        bool localShown;
        QByteArray monSelection, localSelection;
        std::vector<QByteArray> printed;
        bool complaint;
    };
    const Case cases[] = {
        {"monitor", false, "mon text", "", {"mon text"}, false},
        {"local pane shown: only its selection counts", true, "mon text", "", {}, true},
        {"local", true, "", "bbs text", {"bbs text"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StationRig rig;
        TimeTexts times{rig.wallClock, rig.station.settings};
        SelectedText selected{rig.station, rig.view, rig.tnc, rig.printer, rig.boxes, times};
        rig.view.visible["tbMon"] = !c.localShown;
        rig.view.visible["tbLocal"] = c.localShown;
        rig.view.selection["tbMon"] = c.monSelection;
        rig.view.selection["tbLocal"] = c.localSelection;
        selected.printPaneSelection();
        EXPECT_EQ(rig.printer.printed, c.printed);
        EXPECT_EQ(!rig.boxes.shown.empty() && rig.boxes.shown.back().text == "Select text to print",
                  c.complaint);
    }
    StationRig rig;
    TimeTexts times{rig.wallClock, rig.station.settings};
    SelectedText selected{rig.station, rig.view, rig.tnc, rig.printer, rig.boxes, times};
    selected.printReceivedSelection();
    EXPECT_TRUE(rig.view.printedSelections.empty());
    rig.view.selection["rtbRcvd"] = "message";
    selected.printReceivedSelection();
    EXPECT_EQ(rig.view.printedSelections, std::vector<std::string>{"rtbRcvd"});
}
