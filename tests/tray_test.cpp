// SPDX-License-Identifier: GPL-3.0-or-later
// The tray record, the decoding of tray messages, and the window commands.
#include <cstring>

#include <gtest/gtest.h>

#include "harness.h"

using test::App;

namespace {

std::uint32_t word(const std::array<std::uint8_t, 88>& b, int offset) {
    return b[offset] | (b[offset + 1] << 8) | (b[offset + 2] << 16) | (std::uint32_t{b[offset + 3]} << 24);
}

}  // namespace

TEST(TrayRecord, IsTheEightyEightByteRecordByteForByte) {
    App app;
    frmMain& w = app.start();
    ASSERT_EQ(app.desk.tray_calls.size(), 1u);
    const auto call = app.desk.tray_calls[0];
    EXPECT_EQ(call.message, tk::NIM_ADD);
    EXPECT_EQ(word(call.bytes, 0), 88u);
    EXPECT_EQ(word(call.bytes, 4), w.TrayIcon.hwnd());
    EXPECT_NE(w.TrayIcon.hwnd(), 0u);
    EXPECT_EQ(word(call.bytes, 8), 1u);
    EXPECT_EQ(word(call.bytes, 12), 7u);
    EXPECT_EQ(word(call.bytes, 16), 0x200u);
    EXPECT_EQ(word(call.bytes, 20), app.desk.icon_handle(tk::IconId::Window));
    const std::string tip(reinterpret_cast<const char*>(call.bytes.data() + 24), 64);
    EXPECT_EQ(tip, "Taluvex" + std::string(57, ' '));  // blank-padded, no zero byte
    EXPECT_TRUE(app.desk.tray_icon.shown);
    EXPECT_EQ(w.TrayIcon.picture(), tk::IconId::Window);
    EXPECT_FALSE(w.TrayIcon.visible());

    // Changing the icon reuses the record and swaps only the icon.
    std::int16_t id = 1;
    std::string msg;
    w.ShowIconInTray(id, msg);
    const auto& modify = app.desk.tray_calls.back();
    EXPECT_EQ(modify.message, tk::NIM_MODIFY);
    EXPECT_EQ(word(modify.bytes, 20), app.desk.icon_handle(tk::IconId::File));
    EXPECT_EQ(std::memcmp(modify.bytes.data(), call.bytes.data(), 20), 0);
    // The tray holds the new icon with the message and tip of the add.
    EXPECT_EQ(app.desk.tray_icon.icon, app.desk.icon_handle(tk::IconId::File));
    EXPECT_EQ(app.desk.tray_icon.message, 0x200u);
    EXPECT_EQ(tip_text(app.desk.tray_icon), "Taluvex");
    id = 7;  // no such resource: the icon stays, the call still goes out
    w.ShowIconInTray(id, msg);
    EXPECT_EQ(app.desk.tray_calls.size(), 3u);
    EXPECT_EQ(word(app.desk.tray_calls.back().bytes, 20), app.desk.icon_handle(tk::IconId::File));
}

TEST(TrayRecord, NoTrayMeansNoIconAndNoMessage) {
    App app;
    app.desk.tray_available = false;
    frmMain& w = app.start();
    EXPECT_TRUE(w.visible());
    EXPECT_FALSE(app.desk.tray_icon.shown);
    EXPECT_TRUE(app.desk.boxes.empty());
    app.advance(5000);
    EXPECT_EQ(app.desk.tray_calls.size(), 1u);  // no retry
}

TEST(TrayMessages, OnlyLeftDoubleClickAndRightButtonUpActAtEveryScale) {
    for (int dpi : {96, 120, 144}) {
        App app;
        app.desk.dpi = dpi;
        frmMain& w = app.start();
        for (std::uint32_t m = 0x200; m <= 0x209; ++m) {
            if (m == 0x203 || m == 0x205) continue;
            app.tray(m);
        }
        EXPECT_TRUE(w.visible()) << dpi;
        EXPECT_TRUE(app.desk.popups.empty()) << dpi;
        app.tray(0x203);
        EXPECT_FALSE(w.visible()) << dpi;
        EXPECT_EQ(w.mnuShow.caption(), "&Show");
        app.tray(0x205);
        ASSERT_EQ(app.desk.popups.size(), 1u) << dpi;
        EXPECT_EQ(app.desk.popups[0], "mnuPopUp");
        app.tray(0x203);
        EXPECT_TRUE(w.visible()) << dpi;
    }
}

TEST(TrayMessages, DecodingKeepsTheLowByteOfTheRoundedCoordinate) {
    App app;
    frmMain& w = app.start();
    // 7725 + 256 * 15 still ends in the double-click's low byte.
    w.TrayIcon_MouseMove(0, 0, 7725 + 3840, 0);
    EXPECT_FALSE(w.visible());
    w.TrayIcon_MouseMove(0, 0, 7724.5, 0);  // rounds to the even 7724: nothing
    EXPECT_FALSE(w.visible());
    w.TrayIcon_MouseMove(0, 0, 7725.5, 0);  // rounds to 7726: nothing
    w.TrayIcon_MouseMove(0, 0, 1e12, 0);    // out of range: nothing, no error
    w.TrayIcon_MouseMove(0, 0, -7725 + 256 * 61, 0);
    EXPECT_FALSE(w.visible());
    EXPECT_TRUE(app.desk.unhandled.empty());
}

TEST(TrayMessages, RightClickCaptionFollowsTheWindowAndThePopupWorks) {
    App app;
    frmMain& w = app.start();
    std::string caption_when_open;
    app.desk.on_popup = [&](tk::Form&, tk::Menu& m) {
        caption_when_open = app.w().mnuShow.caption();
        EXPECT_EQ(m.name(), "mnuPopUp");
        app.choose_in_popup("mnuShow");
    };
    app.tray(0x205);
    EXPECT_EQ(caption_when_open, "&Hide");
    EXPECT_FALSE(w.visible());
    app.tray(0x205);
    EXPECT_EQ(caption_when_open, "&Show");
    EXPECT_TRUE(w.visible());
}

TEST(WindowCommands, ToTrayHidesAndKeepsHidden) {
    App app;
    frmMain& w = app.start();
    ASSERT_TRUE(app.press(tk::Shortcut::CtrlT));
    EXPECT_FALSE(w.visible());
    EXPECT_EQ(w.mnuShow.caption(), "&Show");
    w.mnuToTray_Click();
    EXPECT_FALSE(w.visible());
    EXPECT_EQ(w.mnuShow.caption(), "&Show");
    EXPECT_TRUE(app.desk.tray_icon.shown);
    // A caption that is neither of the two does nothing.
    w.mnuShow.set_caption("x");
    w.mnuShow_Click();
    EXPECT_FALSE(w.visible());
}

TEST(WindowCommands, EveryWayOutClosesAboutThenDeletesTheIconThenEnds) {
    // (The close box is not one of them: the disabled main window ignores it.)
    for (int way = 1; way < 4; ++way) {
        App app;
        frmMain& w = app.start();
        ASSERT_TRUE(app.press(tk::Shortcut::F1));
        ASSERT_TRUE(app.about_open());
        app.log.clear();
        switch (way) {
            case 1: w.mnuExit_Click(); break;
            case 2: app.choose_in_popup("mnuExit2"); break;
            case 3: w.unload(); break;
        }
        EXPECT_FALSE(app.about_open()) << way;
        EXPECT_EQ(app.log, (std::vector<std::string>{"tray 2", "end"})) << way;
        EXPECT_EQ(app.desk.detached.front(), "frmAbout") << way;
        EXPECT_FALSE(app.desk.tray_icon.shown);
        EXPECT_TRUE(app.rt.ended());
        // Nothing runs after the end: no timer, no input.
        const auto readings = app.os.reading_count;
        app.advance(5000);
        EXPECT_EQ(app.os.reading_count, readings);
        EXPECT_FALSE(app.press(tk::Shortcut::CtrlF));
    }
}

TEST(WindowCommands, TheCloseBoxOfTheDisabledMainWindowDoesNothingWhileAboutIsOpen) {
    App app;
    frmMain& w = app.start();
    ASSERT_TRUE(app.press(tk::Shortcut::F1));
    app.log.clear();
    app.close();
    EXPECT_FALSE(app.rt.ended());
    EXPECT_TRUE(app.about_open());
    EXPECT_TRUE(w.loaded());
    EXPECT_TRUE(app.log.empty());
    // Once the box is closed, the close box ends the program as before.
    app.about()->user_click(test::key(), app.about()->cmdOK);
    ASSERT_TRUE(w.enabled());
    app.close();
    EXPECT_TRUE(app.rt.ended());
    EXPECT_EQ(app.log, (std::vector<std::string>{"tray 2", "end"}));
}

TEST(WindowCommands, ExitFromTheMenuBar) {
    App app;
    app.start();
    ASSERT_TRUE(app.press(tk::Shortcut::CtrlX));
    EXPECT_EQ(app.desk.ends, 1);
    EXPECT_FALSE(app.desk.tray_icon.shown);
}

namespace {

int window_state_changes(frmMain& w) {
    return static_cast<tk::headless::RecordingPeer*>(w.peer(test::key()))->count(tk::Prop::WindowState);
}

}  // namespace

// With no tray icon the window would have no way back: every way of hiding it
// to the tray minimises it instead, and everything else those commands do stays.
TEST(NoTrayIcon, EveryWayToTheTrayMinimisesInstead) {
    for (int way = 0; way < 4; ++way) {
        App app;
        app.desk.tray_available = false;
        frmMain& w = app.start();
        ASSERT_TRUE(app.press(tk::Shortcut::F1));
        switch (way) {
            case 0: w.mnuToTray_Click(); break;
            case 1: w.mnuShow_Click(); break;  // the "&Hide" branch
            case 2: app.about()->unload(); ASSERT_TRUE(app.dbl_click("lblFreePhysicalShow")); break;
            case 3: app.about()->unload(); ASSERT_TRUE(app.dbl_click("frmMain")); break;
        }
        EXPECT_TRUE(w.visible()) << way;
        EXPECT_TRUE(w.minimized()) << way;
        EXPECT_EQ(window_state_changes(w), 1) << way;
        EXPECT_FALSE(app.about_open()) << way;
        EXPECT_TRUE(w.enabled()) << way;
        EXPECT_EQ(w.mnuShow.caption(), way < 2 ? "&Show" : "&Hide") << way;
        EXPECT_TRUE(app.desk.boxes.empty()) << way;
        EXPECT_FALSE(app.rt.ended()) << way;
    }
}

TEST(NoTrayIcon, AutoStartsMinimisedWithTheWatchOnAndShowRestores) {
    App app("/auto");
    app.desk.tray_available = false;
    frmMain& w = app.start();
    EXPECT_TRUE(w.visible());
    EXPECT_TRUE(w.minimized());
    EXPECT_EQ(w.mnuShow.caption(), "&Show");
    EXPECT_TRUE(w.mnuDefragMemory3.checked());
    EXPECT_TRUE(w.tmrCheckIfMemoryFull.enabled());
    // "&Show" restores the minimised window rather than leaving it on the task bar.
    w.mnuShow_Click();
    EXPECT_TRUE(w.visible());
    EXPECT_FALSE(w.minimized());
    EXPECT_EQ(window_state_changes(w), 2);
    EXPECT_EQ(w.mnuShow.caption(), "&Hide");
    // Hidden again it is minimised again, also after the user restored it by hand.
    w.mnuToTray_Click();
    EXPECT_TRUE(w.minimized());
    w.sync_minimized(test::key(), false);
    w.mnuToTray_Click();
    EXPECT_TRUE(w.minimized());
    EXPECT_EQ(window_state_changes(w), 4);
}

TEST(NoTrayIcon, WithTheIconInTheTrayNothingIsMinimised) {
    App auto_start("/AUTO");
    frmMain& a = auto_start.start();
    EXPECT_FALSE(a.visible());
    EXPECT_FALSE(a.minimized());
    App app;
    frmMain& w = app.start();
    ASSERT_TRUE(app.dbl_click("Frame1"));
    EXPECT_FALSE(w.visible());
    app.tray(0x203);
    w.mnuToTray_Click();
    EXPECT_FALSE(w.visible());
    EXPECT_EQ(window_state_changes(w) + window_state_changes(a), 0);
    // The icon gone (the tray host ended): the next hide minimises.
    app.tray(0x203);
    app.desk.tray_icon.shown = false;
    w.mnuToTray_Click();
    EXPECT_TRUE(w.visible() && w.minimized());
}
