// SPDX-License-Identifier: GPL-3.0-or-later
// Old-level markers around a release run, and the double-clicks that hide.
#include <gtest/gtest.h>

#include "harness.h"

using test::App;

namespace {

// A started app whose refresh has run once with these figures (MB).
frmMain& running(App& app, std::uint64_t free, std::uint64_t page_free) {
    app.os.set_memory_mb(1024, free, 1024, page_free);
    app.start();
    app.advance(1);
    return app.w();
}

}  // namespace

TEST(Markers, ArmedAtTheFreeBarAndRevealedWhenItDidNotShrink) {
    App app;
    frmMain& w = running(app, 500, 300);  // scale 4: bars 2000 and 1200
    ASSERT_TRUE(app.choose("mnuDefragMemory1"));
    // Armed: the span of the free bar, flush right, hidden.
    EXPECT_FALSE(w.picOldPhysical.visible());
    EXPECT_EQ(w.picOldPhysical.width(), 2000);
    EXPECT_EQ(w.picOldPhysical.left(), 1615);
    EXPECT_EQ(w.picOldPagefile.width(), 1200);
    EXPECT_EQ(w.picOldPagefile.left(), 2415);

    // The run frees physical memory, the page file loses some. On the next
    // tick the refresh (created first) runs, then the release run.
    app.os.set_memory_mb(1024, 600, 1024, 250);
    app.advance(1);
    EXPECT_EQ(app.os.claims, 1);
    EXPECT_TRUE(w.bDefragDone);
    EXPECT_FALSE(w.picOldPhysical.visible());
    app.advance(1);  // the next refresh reveals
    EXPECT_FALSE(w.bDefragDone);
    EXPECT_TRUE(w.picOldPhysical.visible());
    EXPECT_EQ(w.picOldPhysical.width(), 2000);  // the marker keeps the old level
    EXPECT_EQ(w.picAvailablePhysical.width(), 2400);
    EXPECT_FALSE(w.picOldPagefile.visible());  // its free bar shrank

    // Both go 5,000 ms after the run, once.
    const std::int64_t run_end = app.now() - 1;
    app.advance(run_end + 4999 - app.now());
    EXPECT_TRUE(w.picOldPhysical.visible());
    app.advance(1);
    EXPECT_FALSE(w.picOldPhysical.visible());
    EXPECT_FALSE(w.tmrLoosePicOld.enabled());
}

TEST(Markers, ARunThatFreesNothingCoversTheBarExactly) {
    App app;
    frmMain& w = running(app, 500, 300);
    app.choose("mnuDefragMemory1");
    app.advance(2);
    EXPECT_TRUE(w.picOldPhysical.visible());
    EXPECT_TRUE(w.picOldPagefile.visible());
    EXPECT_EQ(w.picOldPhysical.width(), w.picAvailablePhysical.width());
    EXPECT_EQ(w.picOldPhysical.left(), w.picAvailablePhysical.left());
}

TEST(Markers, FadeAlsoWhileTheWindowIsHidden) {
    App app;
    frmMain& w = running(app, 500, 300);
    app.choose("mnuDefragMemory1");
    app.advance(2);
    ASSERT_TRUE(w.picOldPhysical.visible());
    app.choose("mnuToTray");
    ASSERT_FALSE(w.visible());
    app.advance(5000);
    EXPECT_FALSE(w.picOldPhysical.visible());
    EXPECT_FALSE(w.picOldPagefile.visible());
}

TEST(Markers, TwoRunsBeforeARefreshGiveOneReveal) {
    App app;
    frmMain& w = running(app, 500, 300);
    // Only the release timer runs, so two runs happen with no refresh between.
    w.tmrUpdateMemoryInformation.set_enabled(false);
    app.choose("mnuDefragMemory1");
    app.advance(1);
    app.choose("mnuDefragMemory1");
    app.advance(1);
    EXPECT_EQ(app.os.claims, 2);
    EXPECT_TRUE(w.bDefragDone);
    w.tmrUpdateMemoryInformation_Timer();
    EXPECT_FALSE(w.bDefragDone);
    EXPECT_TRUE(w.picOldPhysical.visible());
    // A later refresh with the flag clear reveals nothing new.
    w.picOldPhysical.set_visible(false);
    w.tmrUpdateMemoryInformation_Timer();
    EXPECT_FALSE(w.picOldPhysical.visible());
}

TEST(Markers, NoFreeMemoryGivesAnEmptyMarkerAtTheRightEnd) {
    App app;
    frmMain& w = running(app, 0, 300);
    app.choose("mnuDefragMemory1");
    EXPECT_EQ(w.picOldPhysical.width(), 0);
    EXPECT_EQ(w.picOldPhysical.left(), 3615);
}

TEST(Markers, AnEmptyPageFileShowsNoMarker) {
    App app;
    frmMain& w = running(app, 500, 0);
    app.os.set_memory_mb(1024, 500, 0, 0);  // no swap at all: 0 of 0
    app.advance(1);
    ASSERT_FALSE(w.picAvailablePagefile.visible());
    app.choose("mnuDefragMemory1");
    app.advance(2);
    ASSERT_TRUE(w.picOldPhysical.visible());
    EXPECT_EQ(w.picOldPagefile.width(), 0);  // not the hidden bar's full length
    EXPECT_EQ(w.picOldPagefile.left(), 3615);
}

TEST(DoubleClick, ValueLabelsFramesAndBackgroundHideTheWindow) {
    for (const char* name : {"frmMain", "Frame1", "Frame2", "lblTotalPhysicalShow", "lblUsedPhysicalShow",
                             "lblFreePhysicalShow", "lblTotalPagefileShow", "lblUsedPagefileShow",
                             "lblFreePagefileShow"}) {
        App app;
        frmMain& w = app.start();
        EXPECT_TRUE(app.dbl_click(name)) << name;
        EXPECT_FALSE(w.visible()) << name;
        EXPECT_EQ(w.mnuShow.caption(), "&Hide") << name;  // left as it was
        EXPECT_TRUE(app.desk.tray_icon.shown);
    }
}

TEST(DoubleClick, BarsNameLabelsAndStatusDoNothing) {
    App app;
    frmMain& w = app.start();
    for (const char* name : {"picUsedPhysical", "picAvailablePhysical", "picOldPagefile", "lblTotalPhysical",
                             "lblFreePagefile", "lblStatus", "TrayIcon"}) {
        app.dbl_click(name);
        EXPECT_TRUE(w.visible()) << name;
    }
}

TEST(DoubleClick, ThenTheTrayTakesTwoDoubleClicksToShowIt) {
    App app;
    frmMain& w = app.start();
    app.dbl_click("lblFreePhysicalShow");
    app.tray(0x203);  // the caption still said "&Hide": stays hidden
    EXPECT_FALSE(w.visible());
    EXPECT_EQ(w.mnuShow.caption(), "&Show");
    app.tray(0x203);
    EXPECT_TRUE(w.visible());
    EXPECT_EQ(w.mnuShow.caption(), "&Hide");
    // A right-click brings the caption in line with the window at once.
    app.dbl_click("Frame1");
    app.tray(0x205);
    EXPECT_EQ(w.mnuShow.caption(), "&Show");
}
