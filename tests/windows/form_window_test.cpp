// SPDX-License-Identifier: GPL-3.0-or-later
// What the Win32 backend decides for a form's windows: twips to pixels at the
// common DPIs, the client area a form gets whatever its frame and menu bar,
// and the keys of the accelerator table.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "toolkit/form.h"
#include "toolkit/menu.h"
#include "toolkit/headless/headless_system.h"
#include "toolkit/runtime.h"
#include "toolkit/win32/dpi.h"
#include "toolkit/win32/scale.h"
#include "toolkit/win32/shortcuts.h"
#include "toolkit/win32/win32_desktop.h"

namespace {

using tk::win32::pixel_box;
using tk::win32::pixels_to_twips;
using tk::win32::twips_to_pixels;

constexpr UINT kDpis[] = {96, 120, 144};
constexpr UINT kGetDpiScaledSize = 0x02E4;  // WM_GETDPISCALEDSIZE

HWND window_of(const tk::Control& c) { return reinterpret_cast<HWND>(static_cast<UINT_PTR>(c.hwnd())); }

TEST(Win32Scale, TwipsBecomeTheNearestPixelAtEachCommonDpi) {
    struct Case {
        double twips;
        UINT dpi;
        long pixels;
    } cases[] = {
        // 15 twips a pixel at 96 dpi, 12 at 120, 10 at 144; halves away from zero.
        {0, 96, 0},    {7, 96, 0},    {7.5, 96, 1},   {8, 96, 1},     {15, 96, 1},    {4800, 96, 320},  {-7.5, 96, -1},
        {5.9, 120, 0}, {6, 120, 1},   {18, 120, 2},   {1440, 120, 120}, {4800, 120, 400},
        {4.9, 144, 0}, {5, 144, 1},   {15, 144, 2},   {1441, 144, 144}, {4800, 144, 480}, {-5, 144, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(twips_to_pixels(c.twips, c.dpi), c.pixels) << c.twips << " twips at " << c.dpi << " dpi";
    // A window's pixels, read back as twips (its bounds), come out the same.
    for (UINT dpi : kDpis)
        for (long px = -200; px <= 4000; ++px)
            ASSERT_EQ(twips_to_pixels(pixels_to_twips(px, dpi), dpi), px) << px << " px at " << dpi << " dpi";
}

TEST(Win32Scale, BoxesThatMeetInTwipsMeetInPixels) {
    // Widths that fall between pixels at one DPI or another, as a row of
    // bars and gaps in a layout does.
    const double widths[] = {255, 97, 1500, 7, 13, 1935, 0, 6, 1};
    for (UINT dpi : kDpis) {
        double left = 105;
        for (int row = 0; row < 3; ++row) {
            for (double w : widths) {
                const RECT a = pixel_box(left, 300, w, 255, dpi);
                const RECT b = pixel_box(left + w, 300, 500, 255, dpi);
                EXPECT_EQ(a.right, b.left) << "at " << left << " twips, " << dpi << " dpi";
                EXPECT_EQ(a.left, twips_to_pixels(left, dpi));
                EXPECT_EQ(a.bottom - a.top, twips_to_pixels(555, dpi) - twips_to_pixels(300, dpi));
                left += w;
            }
        }
    }
    // Far outside any screen, a box stays where a window may be, and a box
    // with no room is empty, not inside out.
    const RECT distant = pixel_box(-1e9, 2e9, 5e9, 100, 96);
    EXPECT_EQ(distant.left, -tk::win32::kFarPixels);
    EXPECT_EQ(distant.top, tk::win32::kFarPixels);
    EXPECT_EQ(distant.right, tk::win32::kFarPixels);
    EXPECT_EQ(distant.bottom, tk::win32::kFarPixels);
    const RECT inside_out = pixel_box(3000, 3000, -1500, -10, 144);
    EXPECT_EQ(inside_out.right, inside_out.left);
    EXPECT_EQ(inside_out.bottom, inside_out.top);
}

struct MenuForm : tk::Form {
    MenuForm(tk::Runtime& rt, const std::vector<std::string>& bar_captions) : tk::Form(rt, "frmMenu") {
        for (std::size_t i = 0; i < bar_captions.size(); ++i) {
            auto m = std::make_unique<tk::Menu>(*this, *this, "mnu" + std::to_string(i), bar_captions[i]);
            entries.push_back(std::make_unique<tk::Menu>(*this, *m, "mnuEntry" + std::to_string(i), "Entry"));
            menus.push_back(std::move(m));
        }
    }
    std::vector<std::unique_ptr<tk::Menu>> menus, entries;
};

// The frame and the menu bar are measured, not assumed: the client area is
// the layout's, even when the menu bar wraps onto a second line.
TEST(Win32FormWindow, TheClientAreaIsWhatTheLayoutAsksFor) {
    tk::headless::HeadlessSystem system;
    tk::win32::Win32Desktop platform(::GetModuleHandleW(nullptr));
    tk::Runtime rt(system, platform);
    struct Case {
        const char* what;
        std::vector<std::string> menus;
        double width, height;
        tk::BorderStyle border;
    } cases[] = {
        {"no menu bar", {}, 4800, 3000, tk::BorderStyle::Sizable},
        {"a menu bar", {"&File", "&Options"}, 4800, 3000, tk::BorderStyle::Sizable},
        {"a menu bar too long for one line",
         {"&File", "&Options", "&Window", "&Help", "&Memory", "&Tray", "&View", "&Tools"},
         3000,
         1200,
         tk::BorderStyle::Sizable},
        {"a dialog", {}, 3615, 2295, tk::BorderStyle::FixedDialog},
    };
    for (const Case& c : cases) {
        MenuForm form(rt, c.menus);
        form.border_style = c.border;
        form.set_client_size(c.width, c.height);
        form.load();
        const HWND hwnd = window_of(form);
        ASSERT_NE(hwnd, nullptr) << c.what;
        EXPECT_EQ(::GetMenu(hwnd) != nullptr, !c.menus.empty()) << c.what;
        const UINT dpi = tk::win32::dpi_of(hwnd);
        RECT client{};
        ASSERT_TRUE(::GetClientRect(hwnd, &client));
        EXPECT_EQ(client.right, twips_to_pixels(c.width, dpi)) << c.what;
        EXPECT_EQ(client.bottom, twips_to_pixels(c.height, dpi)) << c.what;
        form.unload();
    }
}

// A move to a monitor of another scale: the system asks the size for the new
// DPI (WM_GETDPISCALEDSIZE), then moves the window (WM_DPICHANGED). The main
// window's layout, 4080 x 3390 twips with its menu bar, at each scale.
TEST(Win32FormWindow, AMoveToAnotherScaleKeepsTheLayoutsClientArea) {
    tk::headless::HeadlessSystem system;
    tk::win32::Win32Desktop platform(::GetModuleHandleW(nullptr));
    tk::Runtime rt(system, platform);
    MenuForm form(rt, {"&Файл", "Помощ"});
    form.set_client_size(4080, 3390);
    form.set_icon(tk::IconId::Window);
    form.load();
    form.show();
    const HWND hwnd = window_of(form);
    ASSERT_NE(hwnd, nullptr);
    struct Row {
        UINT dpi;
        long width, height;  // the client area
    } rows[] = {{96, 272, 226}, {120, 340, 283}, {144, 408, 339}, {192, 544, 452}};
    const auto style = static_cast<DWORD>(::GetWindowLongPtrW(hwnd, GWL_STYLE));
    const auto ex = static_cast<DWORD>(::GetWindowLongPtrW(hwnd, GWL_EXSTYLE));
    auto client_is = [&](const Row& row) {
        RECT client{};
        return ::GetClientRect(hwnd, &client) && client.right == row.width && client.bottom == row.height;
    };
    auto move_to = [&](const Row& row) {
        // The size asked for is the client area and the frame at that DPI.
        SIZE size{1, 1};
        EXPECT_TRUE(::SendMessageW(hwnd, kGetDpiScaledSize, MAKEWPARAM(row.dpi, row.dpi), reinterpret_cast<LPARAM>(&size)));
        RECT frame{0, 0, 0, 0};
        tk::win32::adjust_for_dpi(frame, style, true, ex, row.dpi);
        EXPECT_EQ(size.cx - (frame.right - frame.left), row.width) << row.dpi << " dpi";
        EXPECT_EQ(size.cy - (frame.bottom - frame.top), row.height) << row.dpi << " dpi";
        RECT suggested{40, 30, 40 + size.cx, 30 + size.cy};
        ::SendMessageW(hwnd, WM_DPICHANGED, MAKEWPARAM(row.dpi, row.dpi), reinterpret_cast<LPARAM>(&suggested));
    };
    // The title bar's and Alt+Tab's icons come at the sizes for the new DPI.
    auto icon_width = [&](WPARAM which) {
        ICONINFO info{};
        BITMAP bitmap{};
        ::GetIconInfo(reinterpret_cast<HICON>(::SendMessageW(hwnd, WM_GETICON, which, 0)), &info);
        ::GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
        ::DeleteObject(info.hbmColor);
        ::DeleteObject(info.hbmMask);
        return static_cast<long>(bitmap.bmWidth);
    };
    for (const Row& row : rows) {
        move_to(row);
        EXPECT_TRUE(client_is(row)) << row.dpi << " dpi";
        EXPECT_EQ(icon_width(ICON_SMALL), tk::win32::metric_for_dpi(SM_CXSMICON, row.dpi)) << row.dpi << " dpi";
        EXPECT_EQ(icon_width(ICON_BIG), tk::win32::metric_for_dpi(SM_CXICON, row.dpi)) << row.dpi << " dpi";
    }
    // Hidden in the tray while the scale changes, and not told of the last
    // change: shown again, it is laid out for its monitor's DPI. Minimised
    // meanwhile, it is restored at the size for the last scale it was told.
    const UINT monitor = tk::win32::monitor_dpi_of(hwnd);
    const Row here{monitor, twips_to_pixels(4080, monitor), twips_to_pixels(3390, monitor)};
    form.hide();
    move_to(rows[2]);
    EXPECT_TRUE(client_is(rows[2])) << "hidden, moved to 144 dpi";
    form.show();
    EXPECT_TRUE(client_is(here)) << "shown again at " << monitor << " dpi";
    // Minimised at one scale, then in the tray when the next comes.
    move_to(rows[3]);
    form.minimize();
    form.hide();
    move_to(here);
    form.show();
    EXPECT_TRUE(client_is(here)) << "restored at " << monitor << " dpi";
    form.unload();
}

struct ShortcutForm : tk::Form {
    explicit ShortcutForm(tk::Runtime& rt) : tk::Form(rt, "frmKeys"), file(*this, *this, "mnuFile", "&File") {
        for (tk::Shortcut s : kAll) {
            auto m = std::make_unique<tk::Menu>(*this, file, std::string("mnu").append(tk::shortcut_text(s)),
                                                "Entry", s);
            m->on_click = [this, s] { chosen.push_back(s); };
            entries.push_back(std::move(m));
        }
        set_client_size(4800, 3000);
    }
    static constexpr tk::Shortcut kAll[] = {tk::Shortcut::CtrlF, tk::Shortcut::CtrlQ, tk::Shortcut::CtrlU,
                                            tk::Shortcut::CtrlT, tk::Shortcut::CtrlX, tk::Shortcut::F1};
    tk::Menu file;
    std::vector<std::unique_ptr<tk::Menu>> entries;
    std::vector<tk::Shortcut> chosen;
};

// Presses a key with Ctrl down or up, as the message loop would see it.
bool press(HWND hwnd, HACCEL table, UINT key, bool ctrl) {
    BYTE keys[256] = {};
    if (ctrl) keys[VK_CONTROL] = keys[VK_LCONTROL] = 0x80;
    ::SetKeyboardState(keys);
    MSG msg{};
    msg.hwnd = hwnd;
    msg.message = WM_KEYDOWN;
    msg.wParam = key;
    msg.lParam = 1;
    const bool taken = ::TranslateAcceleratorW(hwnd, table, &msg) != 0;
    BYTE none[256] = {};
    ::SetKeyboardState(none);
    return taken;
}

// Each key of the table reaches the menu entry that shows it, and no other.
TEST(Win32Shortcuts, EachKeyChoosesTheEntryThatShowsIt) {
    tk::headless::HeadlessSystem system;
    tk::win32::Win32Desktop platform(::GetModuleHandleW(nullptr));
    tk::Runtime rt(system, platform);
    ShortcutForm form(rt);
    form.load();
    const HWND hwnd = window_of(form);
    ASSERT_NE(hwnd, nullptr);
    HACCEL table = tk::win32::create_shortcut_table();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(::CopyAcceleratorTableW(table, nullptr, 0), 6);

    for (tk::Shortcut s : ShortcutForm::kAll) {
        // The key as the entry shows it: "Ctrl+F" or "F1".
        const std::string_view text = tk::shortcut_text(s);
        const bool ctrl = text.substr(0, 5) == "Ctrl+";
        const UINT key = ctrl ? static_cast<UINT>(text[5]) : VK_F1;
        form.chosen.clear();
        EXPECT_TRUE(press(hwnd, table, key, ctrl)) << text;
        ASSERT_EQ(form.chosen.size(), 1u) << text;
        EXPECT_EQ(form.chosen[0], s) << text;
        // Without Ctrl a letter is only a letter.
        if (ctrl) {
            form.chosen.clear();
            EXPECT_FALSE(press(hwnd, table, key, false)) << text;
            EXPECT_TRUE(form.chosen.empty()) << text;
        }
    }
    // Keys that are no shortcut, and ids beside the table's, choose nothing.
    form.chosen.clear();
    EXPECT_FALSE(press(hwnd, table, 'A', true));
    EXPECT_FALSE(press(hwnd, table, VK_F2, false));
    EXPECT_TRUE(form.chosen.empty());
    EXPECT_EQ(tk::win32::shortcut_of_command(tk::win32::kShortcutCommand), tk::Shortcut::None);
    EXPECT_EQ(tk::win32::shortcut_of_command(tk::win32::kShortcutCommand + 7), tk::Shortcut::None);
    ::DestroyAcceleratorTable(table);
    form.unload();
}

}  // namespace

// A box for the active window stays with it; one for a window the user is
// not in comes forward; one with no window shown holds the whole program.
TEST(Win32Boxes, ABoxComesForwardUnlessItsOwnerIsTheActiveWindow) {
    using tk::win32::Win32Desktop;
    HWND main = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    HWND other = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(main && other);
    const UINT critical = MB_ICONERROR;
    EXPECT_EQ(Win32Desktop::box_type(MB_ICONERROR, main, main), critical);
    EXPECT_EQ(Win32Desktop::box_type(MB_ICONERROR, main, other), critical | MB_SETFOREGROUND);
    EXPECT_EQ(Win32Desktop::box_type(MB_ICONERROR, main, nullptr), critical | MB_SETFOREGROUND);
    EXPECT_EQ(Win32Desktop::box_type(MB_ICONERROR, nullptr, nullptr), critical | MB_TASKMODAL | MB_SETFOREGROUND);
    // Only the style's own bits pass.
    EXPECT_EQ(Win32Desktop::box_type(0x7FFF0000 | MB_ICONERROR, main, main), critical);
    ::DestroyWindow(main);
    ::DestroyWindow(other);
}

// The clock runs on inside a handler: a timer enabled after a slow step
// counts from then, not from the tick that ran the handler.
TEST(Win32Clock, ATimerEnabledInsideALongHandlerCountsFromThatMoment) {
    tk::headless::HeadlessSystem system;
    tk::win32::Win32Desktop platform(::GetModuleHandleW(nullptr));
    tk::Runtime rt(system, platform);
    platform.bind(rt);
    tk::Form f(rt, "f");
    tk::Timer slow(f, "slow", 1, true, ""), later(f, "later", 1000, false, "");
    ULONGLONG enabled_at = 0, fired_at = 0;
    slow.on_timer = [&] {
        slow.set_enabled(false);
        ::Sleep(300);  // a slow claim
        enabled_at = ::GetTickCount64();
        later.set_enabled(true);
    };
    later.on_timer = [&] { fired_at = fired_at ? fired_at : ::GetTickCount64(); };
    MSG msg;
    for (const ULONGLONG give_up = ::GetTickCount64() + 10'000; !fired_at && ::GetTickCount64() < give_up;) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    }
    // Counted from the tick that ran the handler it would come 300 ms early.
    EXPECT_GE(static_cast<LONGLONG>(fired_at - enabled_at), 1000) << fired_at;
}
