// SPDX-License-Identifier: GPL-3.0-or-later
// The About box: layout, the disabled main window, and the road to the
// system-information tool through the registry.
#include <gtest/gtest.h>

#include <vector>

#include "harness.h"

using test::App;

namespace {

const std::string kInfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const std::string kLocKey = "SOFTWARE\\Microsoft\\Shared Tools Location";

frmAbout& open_about(App& app) {
    app.start();
    EXPECT_TRUE(app.choose("mnuAbout"));
    return *app.about();
}

void press_sysinfo(App& app) { app.about()->user_click(test::key(), app.about()->cmdSysInfo); }

}  // namespace

TEST(AboutBox, IsFilledAndCentredOnTheMainWindow) {
    App app;
    frmAbout& a = open_about(app);
    frmMain& w = app.w();
    EXPECT_FALSE(w.enabled());
    EXPECT_TRUE(a.visible());
    EXPECT_EQ(a.caption(), "About Taluvex");
    EXPECT_EQ(a.lblTitle.caption(), "Taluvex");
    EXPECT_EQ(a.lblVersion.caption(), "v2.0");
    EXPECT_EQ(a.lblAuthor.caption(), "RUS by Vemkaro");
    EXPECT_EQ(a.cmdSysInfo.caption(), "&Система");
    EXPECT_DOUBLE_EQ(a.left() + a.width() / 2, w.left() + w.width() / 2);
    EXPECT_DOUBLE_EQ(a.top() + a.height() / 2, w.top() + w.height() / 2);
    // Off the screen if the main window is: it is not pulled back.
    a.unload();
    w.set_left(-20000);
    app.choose("mnuAbout");
    EXPECT_DOUBLE_EQ(app.about()->left(), -20000 + w.width() / 2 - app.about()->width() / 2);
}

TEST(AboutBox, TabGoesFromOkToTheIconToTheSystemButton) {
    App app;
    frmAbout& a = open_about(app);
    const std::vector<tk::Control*> order{&a.cmdOK, &a.picIcon, &a.cmdSysInfo};
    EXPECT_EQ(a.tab_order(), order);
    EXPECT_EQ(a.first_focus(), &a.cmdOK);
    // A button that cannot take the focus hands the first focus on.
    a.cmdOK.set_enabled(false);
    EXPECT_EQ(a.first_focus(), &a.picIcon);
    // Labels, frames and bars are never stops: the main window has none.
    EXPECT_TRUE(app.w().tab_order().empty());
    EXPECT_EQ(app.w().first_focus(), nullptr);
}

TEST(AboutBox, EveryWayOfClosingItEnablesTheMainWindowAgain) {
    for (int way = 0; way < 5; ++way) {
        App app;
        frmAbout& a = open_about(app);
        frmMain& w = app.w();
        ASSERT_FALSE(w.enabled());
        EXPECT_FALSE(app.press(tk::Shortcut::CtrlF));  // no input while it is open
        switch (way) {
            case 0: a.user_click(test::key(), a.cmdOK); break;
            case 1: a.user_close(test::key()); break;
            case 2: app.tray(0x203); break;            // hide from the tray
            case 3: app.choose_in_popup("mnuShow"); break;
            case 4: w.mnuToTray_Click(); break;
        }
        EXPECT_FALSE(app.about_open()) << way;
        EXPECT_TRUE(w.enabled()) << way;
        if (way >= 2) {
            EXPECT_FALSE(w.visible());
            app.tray(0x203);
            EXPECT_TRUE(w.visible());
            EXPECT_TRUE(w.enabled());
        }
        EXPECT_TRUE(app.press(tk::Shortcut::F1)) << way;  // opens afresh
        EXPECT_TRUE(app.about_open());
    }
}

TEST(SysInfo, TheFirstValueWinsEvenWhenItsFileIsMissing) {
    App app;
    app.os.set_reg_string(kInfoKey, "PATH", "C:\\Tools\\missing.exe");
    app.os.set_reg_string(kLocKey, "MSINFO", "C:\\Info");
    app.os.files.insert("C:\\Info\\MSINFO32.EXE");
    open_about(app);
    press_sysinfo(app);
    EXPECT_EQ(app.os.start_attempts, std::vector<std::string>{"C:\\Tools\\missing.exe"});
    ASSERT_EQ(app.desk.boxes.size(), 1u);
    EXPECT_EQ(app.desk.boxes[0].prompt, "Unable to start System Information!");
    EXPECT_EQ(app.desk.boxes[0].title, "Error");
    EXPECT_EQ(app.desk.boxes[0].style, 16);
    EXPECT_EQ(app.desk.boxes[0].owner, "frmAbout");  // over the main window it disables
    EXPECT_TRUE(app.about_open());  // the box stays
    // The registry calls, with their exact arguments.
    const auto& c = app.os.reg_calls;
    ASSERT_EQ(c.size(), 3u);
    EXPECT_EQ(c[0].what, "open");
    EXPECT_EQ(c[0].root, 0x80000002u);
    EXPECT_EQ(c[0].name, kInfoKey);
    EXPECT_EQ(c[0].options, 0u);
    EXPECT_EQ(c[0].access, 0x0001u);  // KEY_QUERY_VALUE
    EXPECT_EQ(c[1].what, "query");
    EXPECT_EQ(c[1].name, "PATH");
    EXPECT_EQ(c[1].reserved, 0u);
    EXPECT_EQ(c[1].size_in, 1024u);
    EXPECT_EQ(c[2].what, "close");
    EXPECT_EQ(c[2].handle, c[0].handle);
    EXPECT_TRUE(app.os.open_keys.empty());
}

TEST(SysInfo, FoundTheToolStartsInANormalWindow) {
    App app;
    app.os.set_reg_string(kInfoKey, "PATH", "C:\\Program Files\\Info\\msinfo32.exe");
    app.os.files.insert("C:\\Program Files\\Info\\msinfo32.exe");
    open_about(app);
    press_sysinfo(app);
    EXPECT_EQ(app.os.started, std::vector<std::string>{"C:\\Program Files\\Info\\msinfo32.exe"});
    EXPECT_EQ(app.os.start_styles, std::vector<int>{1});
    EXPECT_TRUE(app.desk.boxes.empty());
}

TEST(SysInfo, AnEmptyFirstValueCountsAsFoundAndFails) {
    App app;
    app.os.set_reg_string(kInfoKey, "PATH", "", false);  // size 0
    app.os.set_reg_string(kLocKey, "MSINFO", "C:\\Info");
    app.os.files.insert("C:\\Info\\MSINFO32.EXE");
    open_about(app);
    press_sysinfo(app);
    EXPECT_EQ(app.os.start_attempts, std::vector<std::string>{""});
    EXPECT_EQ(app.desk.boxes.size(), 1u);
    app.os.set_reg_string(kInfoKey, "PATH", "");  // only the terminating zero
    press_sysinfo(app);
    EXPECT_EQ(app.os.start_attempts, (std::vector<std::string>{"", ""}));
}

TEST(SysInfo, TheSecondValueNamesAFolderThatMustHoldTheTool) {
    App app;
    app.os.set_reg_string(kLocKey, "MSINFO", "C:\\Info");
    open_about(app);
    press_sysinfo(app);  // no MSINFO32.EXE there
    EXPECT_TRUE(app.os.start_attempts.empty());
    EXPECT_EQ(app.desk.boxes.size(), 1u);
    app.os.files.insert("C:\\Info\\MSINFO32.EXE");
    press_sysinfo(app);
    EXPECT_EQ(app.os.started, std::vector<std::string>{"C:\\Info\\MSINFO32.EXE"});
    EXPECT_EQ(app.desk.boxes.size(), 1u);
    // Two look-ups, each closed, also the first that never opened.
    int closes = 0;
    for (const auto& call : app.os.reg_calls) closes += call.what == "close";
    EXPECT_EQ(closes, 4);
}

TEST(SysInfo, BothKeysAreOpenedForReadingOnly) {
    // Under HKEY_LOCAL_MACHINE a standard user may only read: any write right
    // in the mask makes the open fail and the button never works.
    App app;
    app.os.set_reg_string(kLocKey, "MSINFO", "C:\\Info");
    app.os.files.insert("C:\\Info\\MSINFO32.EXE");
    open_about(app);
    press_sysinfo(app);
    EXPECT_EQ(app.os.started, std::vector<std::string>{"C:\\Info\\MSINFO32.EXE"});
    std::vector<std::string> opened;
    for (const auto& call : app.os.reg_calls) {
        if (call.what != "open") continue;
        opened.push_back(call.name);
        EXPECT_EQ(call.access, 0x0001u) << call.name;  // KEY_QUERY_VALUE
        constexpr std::uint32_t kWriteRights = 0x0002 | 0x0004 | 0x0020 | 0x10000 | 0x40000 | 0x80000;
        EXPECT_EQ(call.access & kWriteRights, 0u) << call.name;
    }
    EXPECT_EQ(opened, (std::vector<std::string>{kInfoKey, kLocKey}));
}

TEST(SysInfo, NeitherValueGivesTheErrorAndStartsNothing) {
    App app;
    open_about(app);
    press_sysinfo(app);
    EXPECT_TRUE(app.os.start_attempts.empty());
    ASSERT_EQ(app.desk.boxes.size(), 1u);
    EXPECT_EQ(app.desk.boxes[0].prompt, "Unable to start System Information!");
}

TEST(GetKeyValue, DecodesWhatTheRegistryReturns) {
    App app;
    frmAbout& a = open_about(app);
    const std::uint32_t HKLM = 0x80000002u;
    std::string v = "old";

    app.os.set_reg_string("K", "zero", "C:\\x.exe", true);
    EXPECT_TRUE(a.GetKeyValue(HKLM, "K", "zero", v));
    EXPECT_EQ(v, "C:\\x.exe");  // the terminating zero dropped
    app.os.set_reg_string("K", "bare", "C:\\y.exe", false);
    EXPECT_TRUE(a.GetKeyValue(HKLM, "K", "bare", v));
    EXPECT_EQ(v, "C:\\y.exe");  // read whole

    app.os.registry["K"]["big"] = {tk::REG_SZ_, std::vector<std::uint8_t>(1025, 'a')};
    EXPECT_FALSE(a.GetKeyValue(HKLM, "K", "big", v));
    EXPECT_EQ(v, "");
    app.os.registry["K"]["full"] = {tk::REG_SZ_, std::vector<std::uint8_t>(1024, 'b')};
    EXPECT_TRUE(a.GetKeyValue(HKLM, "K", "full", v));
    EXPECT_EQ(v, std::string(1024, 'b'));

    app.os.registry["K"]["dword"] = {tk::REG_DWORD_, {0x78, 0x56, 0x34, 0x12}};
    EXPECT_TRUE(a.GetKeyValue(HKLM, "K", "dword", v));
    EXPECT_EQ(v, "305419896");
    app.os.registry["K"]["high"] = {tk::REG_DWORD_, {0xFF, 0xFF, 0xFF, 0xFF}};
    EXPECT_TRUE(a.GetKeyValue(HKLM, "K", "high", v));
    EXPECT_EQ(v, "4294967295");

    v = "kept";
    app.os.registry["K"]["binary"] = {3, {1, 2, 3}};
    EXPECT_TRUE(a.GetKeyValue(HKLM, "K", "binary", v));
    EXPECT_EQ(v, "kept");  // other types leave the text as passed

    EXPECT_FALSE(a.GetKeyValue(HKLM, "K", "absent", v));
    EXPECT_EQ(v, "");
    EXPECT_FALSE(a.GetKeyValue(HKLM, "Nowhere", "x", v));
    EXPECT_TRUE(app.os.open_keys.empty());
}
