#include "ui/WindowPlacement.h"

#include "support/Files.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <vector>

using namespace tolvex;
using tolvex::test::writeFile;

TEST(WindowPlacement, WhatIsSavedIsReadBack) {
    QTemporaryDir dir;
    const std::vector<WindowPlacement> cases = {
        {QRect(100, 80, 706, 556), false, WindowPlacement::kDefaultReceivedShare},
        {QRect(0, 0, 1920, 1040), true, 0.5},
        {QRect(-1600, 20, 900, 700), false, 0},   // on a screen left of the first
        {QRect(2000, -300, 1200, 900), false, 1}, // above and right
    };
    int n = 0;
    for (const WindowPlacement& p : cases) {
        SCOPED_TRACE(n);
        const QString file = dir.filePath(QStringLiteral("Window%1.ini").arg(n++));
        ASSERT_TRUE(p.save(file));
        const std::optional<WindowPlacement> back = WindowPlacement::load(file);
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(back->normal, p.normal);
        EXPECT_EQ(back->maximised, p.maximised);
        EXPECT_NEAR(back->receivedShare, p.receivedShare, 1e-6);
    }
    // Saving again replaces what was there.
    const QString file = dir.filePath(QStringLiteral("Window0.ini"));
    ASSERT_TRUE(cases[1].save(file));
    EXPECT_EQ(WindowPlacement::load(file)->normal, cases[1].normal);
}

TEST(WindowPlacement, AMissingOrMalformedFileGivesNothing) {
    QTemporaryDir dir;
    const QByteArray good =
        "[MainWindow]\nleft=10\ntop=20\nwidth=700\nheight=560\nmaximised=0\nreceivedShare=0.25\n";
    struct Case {
        const char* what;
        QByteArray bytes; // empty name below: no file at all
    };
    const std::vector<Case> cases = {
        {"empty file", ""},
        {"binary noise", QByteArray("\x00\xff\x1b[\x01=\n\xfe", 9)},
        {"no group", "left=10\ntop=20\nwidth=700\nheight=560\nmaximised=0\nreceivedShare=0.25\n"},
        {"width missing", "[MainWindow]\nleft=10\ntop=20\nheight=560\nmaximised=0\nreceivedShare=0.25\n"},
        {"letters for a number", QByteArray(good).replace("top=20", "top=twenty")},
        {"zero width", QByteArray(good).replace("width=700", "width=0")},
        {"negative height", QByteArray(good).replace("height=560", "height=-5")},
        {"huge width", QByteArray(good).replace("width=700", "width=99999999999")},
        {"maximised neither 0 nor 1", QByteArray(good).replace("maximised=0", "maximised=2")},
        {"share above one", QByteArray(good).replace("receivedShare=0.25", "receivedShare=1.5")},
        {"share not a number", QByteArray(good).replace("receivedShare=0.25", "receivedShare=nan")},
        {"unclosed group", QByteArray(good).replace("[MainWindow]", "[MainWindow")},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString file = dir.filePath(QStringLiteral("Bad%1.ini").arg(n++));
        ASSERT_TRUE(writeFile(file, c.bytes));
        EXPECT_FALSE(WindowPlacement::load(file).has_value());
    }
    EXPECT_FALSE(WindowPlacement::load(dir.filePath(QStringLiteral("absent.ini"))).has_value());
    EXPECT_FALSE(WindowPlacement::load(dir.path()).has_value()); // a folder of that name

    const QString file = dir.filePath(QStringLiteral("Good.ini"));
    ASSERT_TRUE(writeFile(file, good));
    ASSERT_TRUE(WindowPlacement::load(file).has_value()); // the table's cases differ from it in one thing
    EXPECT_EQ(WindowPlacement::load(file)->normal, QRect(10, 20, 700, 560));
}

TEST(WindowPlacement, AnAreaOffEveryScreenFallsBackToTheCentredDefault) {
    const QRect laptop(0, 0, 1366, 740); // available areas: the panel taken off
    const QRect monitor(1366, 0, 1920, 1050);
    const QRect left(-1280, 0, 1280, 1000);
    struct Case {
        const char* what;
        QRect saved;
        QList<QRect> screens;
        bool kept;
    };
    const std::vector<Case> cases = {
        {"inside the one screen", {100, 50, 706, 556}, {laptop}, true},
        {"filling the screen exactly", laptop, {laptop}, true},
        {"on the second screen", {1500, 100, 900, 700}, {laptop, monitor}, true},
        {"second screen unplugged", {1500, 100, 900, 700}, {laptop}, false},
        {"on a screen left of the first", {-1200, 10, 800, 600}, {left, laptop}, true},
        {"straddling two screens", {1000, 100, 900, 600}, {laptop, monitor}, false},
        {"taller than the screen now", {0, 0, 1000, 900}, {laptop}, false},
        {"partly below the bottom", {100, 400, 706, 556}, {laptop}, false},
        {"partly off the left", {-10, 50, 706, 556}, {laptop}, false},
        {"no screens", {100, 50, 706, 556}, {}, false},
        {"nothing saved", {}, {laptop}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const WindowPlacement saved{c.saved, true, 0.6};
        const WindowPlacement fitted = saved.fittedTo(c.screens);
        EXPECT_EQ(fitted.normal, c.kept ? c.saved : QRect());
        EXPECT_TRUE(fitted.maximised); // the state and the split stay either way
        EXPECT_EQ(fitted.receivedShare, 0.6);
    }
}
