// SPDX-License-Identifier: GPL-3.0-or-later
// Both windows as designed: every control, menu entry and timer against a
// table typed by hand from the window's layout (not read from the code).
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "harness.h"

using test::App;
using tk::Color;
using tk::Kind;
using tk::Shortcut;

namespace {

constexpr Color kDefault = tk::kDefaultColor;
constexpr Color kRed = tk::rgb(255, 0, 0), kGreen = tk::rgb(0, 128, 0), kMarker = tk::rgb(0, 192, 0),
                kBright = tk::rgb(0, 255, 0), kBlack = tk::rgb(0, 0, 0);

struct ControlRow {
    const char* name;
    Kind kind;
    const char* parent;  // "" for the window itself
    double left, top, width, height;
    const char* caption;
    Color back, fore;
    bool visible;
    std::optional<bool> border;  // unset: the layout leaves it open
};

struct MenuRow {
    const char* name;
    const char* parent;
    const char* caption;
    Shortcut shortcut;
    bool visible;
    bool has_handler;
};

struct TimerRow {
    const char* name;
    int interval;
    bool enabled;
    const char* tag;
};

const std::vector<ControlRow> kMainControls = {
    {"TrayIcon", Kind::PictureBox, "", 3600, 2880, 375, 375, "", kDefault, kDefault, false, {}},
    {"Frame2", Kind::Frame, "", 120, 1560, 3855, 1455, "Файл стр", kDefault, kDefault, true, {}},
    {"picUsedPagefile", Kind::PictureBox, "Frame2", 120, 1080, 3615, 255, "", kRed, kDefault, true, true},
    {"picOldPagefile", Kind::PictureBox, "picUsedPagefile", 840, 0, 2775, 255, "", kMarker, kDefault, false, {}},
    {"picAvailablePagefile", Kind::PictureBox, "picUsedPagefile", 3720, 0, 135, 255, "", kBright, kDefault, true, {}},
    {"lblTotalPagefileShow", Kind::Label, "Frame2", 600, 240, 3100, 255, "TOTAL", kDefault, kDefault, true, false},
    {"lblUsedPagefileShow", Kind::Label, "Frame2", 600, 480, 3100, 255, "USED", kDefault, kRed, true, false},
    {"lblFreePagefileShow", Kind::Label, "Frame2", 600, 720, 3100, 255, "FREE", kDefault, kGreen, true, false},
    {"lblTotalPagefile", Kind::Label, "Frame2", 120, 240, 495, 255, "Всего:", kDefault, kDefault, true, false},
    {"lblUsedPagefile", Kind::Label, "Frame2", 120, 480, 495, 255, "Испо:", kDefault, kDefault, true, false},
    {"lblFreePagefile", Kind::Label, "Frame2", 120, 720, 495, 255, "Своб:", kDefault, kDefault, true, false},
    {"Frame1", Kind::Frame, "", 120, 120, 3855, 1335, "Физ. память    ", kDefault, kDefault, true, {}},
    {"picUsedPhysical", Kind::PictureBox, "Frame1", 120, 960, 3615, 255, "", kRed, kDefault, true, true},
    {"picOldPhysical", Kind::PictureBox, "picUsedPhysical", 840, 0, 2775, 255, "", kMarker, kDefault, false, {}},
    {"picAvailablePhysical", Kind::PictureBox, "picUsedPhysical", 3720, 0, 135, 255, "", kBright, kDefault, true, {}},
    {"lblFreePhysicalShow", Kind::Label, "Frame1", 600, 720, 3100, 255, "FREE", kDefault, kGreen, true, false},
    {"lblFreePhysical", Kind::Label, "Frame1", 120, 720, 495, 255, "Своб:", kDefault, kDefault, true, false},
    {"lblUsedPhysicalShow", Kind::Label, "Frame1", 600, 480, 3100, 255, "USED", kDefault, kRed, true, false},
    {"lblUsedPhysical", Kind::Label, "Frame1", 120, 480, 495, 255, "Испо:", kDefault, kDefault, true, false},
    {"lblTotalPhysicalShow", Kind::Label, "Frame1", 600, 240, 3100, 255, "TOTAL", kDefault, kDefault, true, false},
    {"lblTotalPhysical", Kind::Label, "Frame1", 120, 240, 495, 255, "Всего:", kDefault, kDefault, true, false},
    {"lblStatus", Kind::Label, "", 120, 3120, 4095, 255, "Готов", kDefault, kDefault, true, false},
};

const std::vector<MenuRow> kMainMenus = {
    {"mnuFile", "", "&Файл", Shortcut::None, true, false},
    {"mnuDefragMemory1", "mnuFile", "Отчистить   ", Shortcut::CtrlF, true, true},
    {"mnuDefragMemory2", "mnuFile", "Отчистить и выйти    ", Shortcut::CtrlQ, true, true},
    {"mnuDefragMemory3", "mnuFile", "Чистить если заполнена", Shortcut::CtrlU, true, true},
    {"mnuLine", "mnuFile", "-", Shortcut::None, true, false},
    {"mnuToTray", "mnuFile", "Свернуть в трей     ", Shortcut::CtrlT, true, true},
    {"mnuLineb", "mnuFile", "-", Shortcut::None, true, false},
    {"mnuExit", "mnuFile", "Выход", Shortcut::CtrlX, true, true},
    {"mnuHelp", "", "Помощ", Shortcut::None, true, false},
    {"mnuAbout", "mnuHelp", "О программе   ", Shortcut::F1, true, true},
    {"mnuPopUp", "", "&Menu", Shortcut::None, false, false},
    {"mnuShow", "mnuPopUp", "&Hide", Shortcut::None, true, true},
    {"mnuLinea", "mnuPopUp", "-", Shortcut::None, true, false},
    {"mnuExit2", "mnuPopUp", "&Exit", Shortcut::None, true, true},
};

const std::vector<TimerRow> kMainTimers = {
    {"tmrUpdateMemoryInformation", 1, true, ""},
    {"tmrDefragMemory", 1, false, "0"},
    {"tmrCheckIfMemoryFull", 1000, false, "0"},
    {"tmrQuit", 1000, false, "4"},
    {"tmrLoosePicOld", 5000, false, ""},
};

// The controls that answer a double-click; no other has any handler but the
// tray target's mouse message.
const std::vector<std::string> kDoubleClicked = {"Frame1",
                                                 "Frame2",
                                                 "lblTotalPhysicalShow",
                                                 "lblUsedPhysicalShow",
                                                 "lblFreePhysicalShow",
                                                 "lblTotalPagefileShow",
                                                 "lblUsedPagefileShow",
                                                 "lblFreePagefileShow"};

std::string parent_name(const tk::Control& c) {
    return c.parent() && c.parent() != &c.form() ? c.parent()->name() : "";
}

bool listed(const std::vector<std::string>& names, const std::string& name) {
    for (const auto& n : names)
        if (n == name) return true;
    return false;
}

void expect_control(const tk::Control& c, const ControlRow& row) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(c.name(), row.name);
    EXPECT_EQ(c.kind(), row.kind);
    EXPECT_EQ(parent_name(c), row.parent);
    EXPECT_EQ(c.left(), row.left);
    EXPECT_EQ(c.top(), row.top);
    EXPECT_EQ(c.width(), row.width);
    EXPECT_EQ(c.height(), row.height);
    EXPECT_EQ(c.caption(), row.caption);
    EXPECT_EQ(c.back_color(), row.back);
    EXPECT_EQ(c.fore_color(), row.fore);
    EXPECT_EQ(c.visible(), row.visible);
    EXPECT_TRUE(c.enabled());
    if (row.border) {
        EXPECT_EQ(c.border(), *row.border);
    }
}

}  // namespace

TEST(Layout, MainWindowAsDesigned) {
    App app;
    frmMain w(app.rt);  // created, not yet loaded: the design state

    EXPECT_EQ(w.caption(), "Taluvex");
    EXPECT_EQ(w.client_width(), 4080);
    EXPECT_EQ(w.client_height(), 3390);
    EXPECT_TRUE(w.start_centered);
    EXPECT_EQ(w.border_style, tk::BorderStyle::Sizable);
    EXPECT_TRUE(w.show_in_taskbar);
    EXPECT_EQ(w.icon(), tk::IconId::Window);
    EXPECT_EQ(w.font(), tk::Font{});

    // Controls then menus, each in creation order (parents before children).
    std::vector<std::string> want_order, order;
    for (const auto& row : kMainControls) want_order.push_back(row.name);
    for (const auto& row : kMainMenus) want_order.push_back(row.name);
    for (const tk::Control* c : w.controls()) order.push_back(c->name());
    ASSERT_EQ(order, want_order);

    for (std::size_t i = 0; i < kMainControls.size(); ++i) {
        const tk::Control& c = *w.controls()[i];
        const ControlRow& row = kMainControls[i];
        expect_control(c, row);
        // Every caption in the default dialog font; labels left-aligned.
        EXPECT_EQ(c.font(), tk::Font{}) << row.name;
        if (row.kind == Kind::Label) {
            EXPECT_EQ(c.alignment(), tk::Align::Left) << row.name;
        }
        EXPECT_EQ(static_cast<bool>(c.on_dbl_click), listed(kDoubleClicked, row.name)) << row.name;
        EXPECT_FALSE(c.on_click) << row.name;
        EXPECT_EQ(static_cast<bool>(c.on_mouse_move), std::string(row.name) == "TrayIcon") << row.name;
    }
    EXPECT_TRUE(w.on_dbl_click);

    for (std::size_t i = 0; i < kMainMenus.size(); ++i) {
        const MenuRow& row = kMainMenus[i];
        SCOPED_TRACE(row.name);
        const auto* m = dynamic_cast<const tk::Menu*>(w.controls()[kMainControls.size() + i]);
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(m->kind(), Kind::Menu);
        EXPECT_EQ(parent_name(*m), row.parent);
        EXPECT_EQ(m->caption(), row.caption);
        EXPECT_EQ(m->shortcut(), row.shortcut);
        EXPECT_EQ(m->visible(), row.visible);
        EXPECT_TRUE(m->enabled());
        EXPECT_FALSE(m->checked());
        EXPECT_EQ(m->is_separator(), std::string(row.caption) == "-");
        EXPECT_EQ(static_cast<bool>(m->on_click), row.has_handler);
    }

    ASSERT_EQ(w.timers().size(), kMainTimers.size());
    for (std::size_t i = 0; i < kMainTimers.size(); ++i) {
        const TimerRow& row = kMainTimers[i];
        const tk::Timer& t = *w.timers()[i];
        SCOPED_TRACE(row.name);
        EXPECT_EQ(t.name(), row.name);
        EXPECT_EQ(t.interval(), row.interval);
        EXPECT_EQ(t.enabled(), row.enabled);
        EXPECT_EQ(t.tag(), row.tag);
        EXPECT_TRUE(t.on_timer);
    }
}

TEST(Layout, AboutBoxAsDesignedAndAsLoaded) {
    App app;
    frmMain& main = app.start();
    ASSERT_TRUE(app.press(Shortcut::F1));
    ASSERT_TRUE(app.about_open());
    frmAbout& a = *app.about();

    EXPECT_EQ(a.caption(), "About Taluvex");
    EXPECT_EQ(a.border_style, tk::BorderStyle::FixedDialog);
    EXPECT_FALSE(a.show_in_taskbar);
    EXPECT_EQ(a.client_width(), 2235);
    EXPECT_EQ(a.client_height(), 2865);
    EXPECT_EQ(a.icon(), tk::IconId::Window);
    // Centred on the main window by the outer sizes of both.
    EXPECT_DOUBLE_EQ(a.left(), main.left() + main.width() / 2 - a.width() / 2);
    EXPECT_DOUBLE_EQ(a.top(), main.top() + main.height() / 2 - a.height() / 2);

    const tk::Font title{"MS Sans Serif", 12, 700, 0}, version{"MS Sans Serif", 8.25, 700, 0},
        author{"MS Sans Serif", 9.75, 700, 0};
    struct AboutRow {
        ControlRow layout;
        tk::Align align;
        tk::Font font;
    };
    const std::vector<AboutRow> rows = {
        {{"cmdOK", Kind::CommandButton, "", 480, 1920, 1260, 345, "OK", kDefault, kDefault, true, {}},
         tk::Align::Left,
         {}},
        {{"picIcon", Kind::PictureBox, "", 840, 120, 540, 540, "", kDefault, kDefault, true, true},
         tk::Align::Left,
         {}},
        {{"cmdSysInfo", Kind::CommandButton, "", 480, 2400, 1245, 345, "&Система", kDefault, kDefault, true, {}},
         tk::Align::Left,
         {}},
        {{"lblTitle", Kind::Label, "", 0, 720, 2325, 360, "Taluvex", kDefault, kBlack, true, false},
         tk::Align::Center,
         title},
        {{"lblVersion", Kind::Label, "", 0, 1080, 2295, 255, "v2.0", kDefault, kDefault, true, false},
         tk::Align::Center,
         version},
        {{"lblAuthor", Kind::Label, "", 120, 1440, 2055, 255, "RUS by Vemkaro", kDefault, kDefault, true, false},
         tk::Align::Center,
         author},
    };
    ASSERT_EQ(a.controls().size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const tk::Control& c = *a.controls()[i];
        expect_control(c, rows[i].layout);
        if (c.kind() == Kind::Label) {
            EXPECT_EQ(c.alignment(), rows[i].align) << c.name();
            EXPECT_EQ(c.font(), rows[i].font) << c.name();
        }
    }
    EXPECT_EQ(a.picIcon.picture(), tk::IconId::Window);
    EXPECT_TRUE(a.cmdOK.is_default);
    EXPECT_TRUE(a.cmdOK.is_cancel);
    EXPECT_FALSE(a.cmdSysInfo.is_default);
    EXPECT_FALSE(a.cmdSysInfo.is_cancel);
    std::vector<std::string> tabs;
    for (const tk::Control* c : a.tab_order()) tabs.push_back(c->name());
    EXPECT_EQ(tabs, (std::vector<std::string>{"cmdOK", "picIcon", "cmdSysInfo"}));
    ASSERT_NE(a.first_focus(), nullptr);
    EXPECT_EQ(a.first_focus()->name(), "cmdOK");
    EXPECT_TRUE(a.timers().empty());
    // While it is open the main window takes no input.
    EXPECT_FALSE(main.enabled());
}
