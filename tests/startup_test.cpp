// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up: the tray icon in every mode, then the exact switch words.
#include <gtest/gtest.h>

#include "harness.h"

using test::App;

TEST(Startup, OnlyTheWholeSwitchWordMatches) {
    struct Case {
        const char* args;
        const char* mode;
    } cases[] = {
        {"/auto", "auto"},      {"/Quit", "quit"},       {"/AUTO", "auto"},    {"/AUTO ", "normal"},
        {"/AUTO /QUIT", "normal"}, {"-AUTO", "normal"}, {"AUTO", "normal"},   {"\"/AUTO\"", "normal"},
        {"", "normal"},         {" /QUIT", "normal"},    {"/QUITE", "normal"}, {"/qu\xc4\xb1t", "normal"},
    };
    for (const Case& c : cases) {
        App app(c.args);
        frmMain& w = app.start();
        const std::string mode = !w.visible()                        ? "auto"
                                 : w.tmrDefragMemory.enabled()       ? "quit"
                                                                     : "normal";
        EXPECT_EQ(mode, c.mode) << '"' << c.args << '"';
        EXPECT_TRUE(app.desk.tray_icon.shown) << c.args;
        EXPECT_EQ(app.desk.tray_calls.front().message, tk::NIM_ADD);
        EXPECT_TRUE(app.desk.boxes.empty());
    }
}

TEST(Startup, NormalStart) {
    App app;
    frmMain& w = app.start();
    EXPECT_TRUE(w.visible());
    EXPECT_EQ(w.mnuShow.caption(), "&Hide");
    EXPECT_EQ(app.status(), "Готов");
    EXPECT_TRUE(w.mnuFile.enabled());
    EXPECT_FALSE(w.mnuDefragMemory3.checked());
    EXPECT_FALSE(w.tmrCheckIfMemoryFull.enabled());
    EXPECT_FALSE(w.tmrDefragMemory.enabled());
    EXPECT_EQ(w.lblFreePhysicalShow.caption(), "FREE");  // the refresh starts with the first tick
}

TEST(Startup, AutoStartsInTheTrayWithTheWatchOn) {
    App app("/Auto");
    frmMain& w = app.start();
    EXPECT_FALSE(w.visible());
    EXPECT_EQ(w.mnuShow.caption(), "&Show");
    EXPECT_TRUE(w.mnuDefragMemory3.checked());
    EXPECT_TRUE(w.tmrCheckIfMemoryFull.enabled());
    EXPECT_EQ(w.tmrCheckIfMemoryFull.tag(), "0");
    EXPECT_EQ(app.status(), "Готов");
    app.advance(100);
    EXPECT_FALSE(w.visible());  // the window never showed
    app.tray(0x203);
    EXPECT_TRUE(w.visible());
}

TEST(Startup, QuitFreesOnceThenCountsDownAndEnds) {
    App app("/QUIT");
    app.os.set_memory_mb(1024, 300, 0, 0);
    frmMain& w = app.start();
    // Before the first tick: refreshed once, marked, requested.
    EXPECT_EQ(app.status(), "Freeing up memory...");
    EXPECT_EQ(w.lblFreePhysicalShow.caption(), "300 MB");
    EXPECT_EQ(w.picOldPhysical.width(), 1200);
    EXPECT_EQ(w.tmrDefragMemory.tag(), "4");
    EXPECT_TRUE(w.tmrDefragMemory.enabled());
    EXPECT_FALSE(w.mnuFile.enabled());
    EXPECT_FALSE(w.mnuHelp.enabled());
    EXPECT_TRUE(w.visible());
    EXPECT_EQ(app.os.claims, 0);
    EXPECT_FALSE(app.press(tk::Shortcut::F1));  // the help menu cannot be opened
    app.log.clear();
    app.advance(1);
    EXPECT_EQ(app.os.claims, 1);
    EXPECT_EQ(app.status(), "Done, quitting in 3...");
    app.advance(3999);
    EXPECT_EQ(app.desk.ends, 0);
    EXPECT_EQ(app.status(), "Done, quitting in 0...");
    app.advance(1);
    EXPECT_EQ(app.status(), "Done, quitting in -1...");
    EXPECT_EQ(app.desk.ends, 1);
    EXPECT_EQ(app.log, (std::vector<std::string>{"claim", "tray 2", "end"}));
    EXPECT_TRUE(app.desk.unhandled.empty());
}

TEST(Startup, TwoCopiesAreIndependent) {
    App one, two;
    one.start();
    two.start();
    one.press(tk::Shortcut::CtrlT);
    EXPECT_FALSE(one.w().visible());
    EXPECT_TRUE(two.w().visible());
    EXPECT_TRUE(one.desk.tray_icon.shown && two.desk.tray_icon.shown);
}
