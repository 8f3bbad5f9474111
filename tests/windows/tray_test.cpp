// SPDX-License-Identifier: GPL-3.0-or-later
// The Win32 backend's tray book-keeping against a stand-in shell: a tray
// window of the shell's own class that takes or refuses each call, so an add
// that fails (no task bar yet) and the adds after "TaskbarCreated" can be seen.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

#include "res/window16.xpm"
#include "res/window20.xpm"
#include "res/window24.xpm"
#include "toolkit/win32/dpi.h"
#include "toolkit/win32/win32_desktop.h"

namespace {

// From shellapi.h, whose macros would hide the program's own NIM_ names.
constexpr unsigned long kSetVersion = 4, kVersion4 = 4;
constexpr UINT kSelect = WM_USER, kKeySelect = WM_USER + 1;

class StandInShell {
public:
    // TakeAddSayNo: takes an add but answers that it failed (a time-out).
    enum class Answer { TakeAll, RefuseAll, RefuseAdd, TakeAddSayNo };

    StandInShell() {
        // Wine's own shell comes with the first window; ours must be newer,
        // so that the tray calls find it first.
        if (HWND first = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr))
            ::DestroyWindow(first);
        for (int i = 0; i < 50 && !::FindWindowW(L"Shell_TrayWnd", nullptr); ++i) ::Sleep(100);
        WNDCLASSW wc{};
        wc.lpfnWndProc = proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"Shell_TrayWnd";
        ::RegisterClassW(&wc);
        hwnd = ::CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance, nullptr);
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~StandInShell() {
        ::DestroyWindow(hwnd);
        ::UnregisterClassW(L"Shell_TrayWnd", ::GetModuleHandleW(nullptr));
    }
    HWND hwnd = nullptr;
    Answer answer = Answer::TakeAll;
    std::vector<unsigned long> calls;  // NIM_ADD, NIM_MODIFY, NIM_DELETE in order
    std::vector<unsigned long> versions;  // each NIM_SETVERSION's version
    int refuse_adds = 0;               // adds to refuse before the answer applies
    bool holds = false;                // whether it holds the icon
    int icon_size = 0;                 // width of the last icon it was given
    std::vector<std::uint32_t> icon_pixels;  // and its pixels, 0xRRGGBB, rows from the top

private:
    static LRESULT CALLBACK proc(HWND h, UINT m, WPARAM w, LPARAM l) {
        auto* self = reinterpret_cast<StandInShell*>(::GetWindowLongPtrW(h, GWLP_USERDATA));
        if (m != WM_COPYDATA || !self) return ::DefWindowProcW(h, m, w, l);
        const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(l);
        const auto message = static_cast<unsigned long>(copy->dwData);
        if (message == kSetVersion) {
            self->versions.push_back(self->note_version(*copy));
            return self->holds && self->answer != Answer::RefuseAll;
        }
        if (message > tk::NIM_DELETE) return FALSE;
        self->calls.push_back(message);
        self->note_icon(*copy);
        if (message == tk::NIM_ADD && self->refuse_adds > 0) {
            --self->refuse_adds;
            return FALSE;
        }
        if (self->answer == Answer::RefuseAll) return FALSE;
        if (self->answer == Answer::RefuseAdd && message == tk::NIM_ADD) return FALSE;
        switch (message) {
            case tk::NIM_ADD:
                self->holds = true;
                return self->answer == Answer::TakeAddSayNo ? FALSE : TRUE;
            case tk::NIM_MODIFY: return self->holds ? TRUE : FALSE;  // only an icon it holds
            case tk::NIM_DELETE: self->holds = false; return TRUE;
        }
        return FALSE;
    }
    // Wine hands its shell the icon's pixels, not a handle, in a record of
    // its own: four 4-byte fields (flags third), the tip, state, balloon text,
    // version, balloon title and flags, the item GUID, then width and height.
    static unsigned long note_version(const COPYDATASTRUCT& copy) {
        constexpr std::size_t kVersionOffset = 16 + 128 * 2 + 8 + 256 * 2;
        std::uint32_t version = 0;
        if (copy.cbData >= kVersionOffset + 4) std::memcpy(&version, static_cast<const char*>(copy.lpData) + kVersionOffset, 4);
        return version;
    }
    // The planes and bits per pixel follow, then the mask's bits and last the
    // colour bits.
    void note_icon(const COPYDATASTRUCT& copy) {
        constexpr std::size_t kWidthOffset = 16 + 128 * 2 + 8 + 256 * 2 + 4 + 64 * 2 + 4 + 16;
        if (copy.cbData < kWidthOffset + 16) return;
        const auto* data = static_cast<const unsigned char*>(copy.lpData);
        std::uint32_t flags = 0, width = 0, height = 0, bpp = 0;
        std::memcpy(&flags, data + 8, 4);
        std::memcpy(&width, data + kWidthOffset, 4);
        std::memcpy(&height, data + kWidthOffset + 4, 4);
        std::memcpy(&bpp, data + kWidthOffset + 12, 4);
        constexpr std::uint32_t kIconFlag = 2;  // NIF_ICON
        if (!(flags & kIconFlag)) return;
        icon_size = static_cast<int>(width);
        icon_pixels.clear();
        const std::size_t colour_bytes = std::size_t{width} * height * 4;
        if (bpp == 32 && copy.cbData >= kWidthOffset + 16 + colour_bytes)
            for (const unsigned char* p = data + copy.cbData - colour_bytes; p < data + copy.cbData; p += 4)
                icon_pixels.push_back(p[0] | p[1] << 8 | p[2] << 16);
    }
};

std::uint32_t low32(HWND h) { return static_cast<std::uint32_t>(reinterpret_cast<UINT_PTR>(h)); }

// A picture of res/ as 0xRRGGBB a pixel, rows from the top.
std::vector<std::uint32_t> drawn(const char* const* xpm) {
    int width = 0, height = 0, colours = 0;
    std::sscanf(xpm[0], "%d %d %d", &width, &height, &colours);
    std::map<char, std::uint32_t> colour;
    for (int i = 1; i <= colours; ++i) colour[xpm[i][0]] = std::strtoul(std::strchr(xpm[i], '#') + 1, nullptr, 16);
    std::vector<std::uint32_t> out;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) out.push_back(colour.at(xpm[1 + colours + y][x]));
    return out;
}

// The tray got the window icon at its small-icon size for its DPI, as the
// picture drawn for that size, not another stretched to it.
void expect_drawn_for_the_tray(const StandInShell& shell) {
    const int size = tk::win32::metric_for_dpi(SM_CXSMICON, tk::win32::dpi_of(shell.hwnd));
    EXPECT_EQ(shell.icon_size, size);
    const std::map<int, const char* const*> pictures{{16, window16_xpm}, {20, window20_xpm}, {24, window24_xpm}};
    ASSERT_EQ(pictures.count(size), 1u) << "no picture drawn for " << size << " px";
    EXPECT_TRUE(shell.icon_pixels == drawn(pictures.at(size))) << "the tray's " << size << " px picture";
}

using Calls = std::vector<unsigned long>;

}  // namespace

TEST(Win32Tray, AnIconTheShellRefusedIsAddedWithTheNextTaskBar) {
    StandInShell shell;
    ASSERT_NE(shell.hwnd, nullptr);
    ASSERT_EQ(::FindWindowW(L"Shell_TrayWnd", nullptr), shell.hwnd) << "the stand-in is not the shell's tray";
    tk::win32::Win32Desktop platform(::GetModuleHandleW(nullptr));
    HWND top = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    HWND box = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 0, 0, top, nullptr, nullptr, nullptr);
    HWND elsewhere = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(top && box && elsewhere);
    tk::NotifyIconData88 rec{88, low32(box), 1, 7, 0x200, 0, {}};
    std::memset(rec.szTip, ' ', sizeof rec.szTip);
    std::memcpy(rec.szTip, "Taluvex", 7);
    EXPECT_FALSE(platform.tray_icon_present());

    // Log-on before the task bar: the add fails, and the program knows it.
    shell.answer = StandInShell::Answer::RefuseAll;
    EXPECT_EQ(platform.shell_notify_icon(tk::NIM_ADD, rec), 0u);
    EXPECT_FALSE(platform.tray_icon_present());
    // Its callbacks are still the icon's, for when it shows.
    EXPECT_TRUE(platform.tray().is_callback(box, 0x200, 1));

    // The task bar arrives and says so to the icon's top-level window only.
    shell.answer = StandInShell::Answer::TakeAll;
    shell.calls.clear();
    platform.tray().restore(elsewhere);
    EXPECT_EQ(shell.calls, Calls{});
    platform.tray().restore(top);
    EXPECT_EQ(shell.calls, Calls{tk::NIM_ADD});
    EXPECT_TRUE(platform.tray_icon_present());

    // A new task bar that still holds the icon (a DPI change announces one
    // too) refuses the add; a change keeps it.
    shell.answer = StandInShell::Answer::RefuseAdd;
    shell.calls.clear();
    platform.tray().restore(top);
    EXPECT_EQ(shell.calls, (Calls{tk::NIM_ADD, tk::NIM_MODIFY}));
    EXPECT_TRUE(platform.tray_icon_present());

    // The shell gone, a change fails: no icon, until the next task bar.
    shell.answer = StandInShell::Answer::RefuseAll;
    EXPECT_EQ(platform.shell_notify_icon(tk::NIM_MODIFY, rec), 0u);
    EXPECT_FALSE(platform.tray_icon_present());
    shell.answer = StandInShell::Answer::TakeAll;
    platform.tray().restore(top);
    EXPECT_TRUE(platform.tray_icon_present());

    // Deleted, the icon is forgotten: a new task bar brings nothing back.
    EXPECT_EQ(platform.shell_notify_icon(tk::NIM_DELETE, rec), 1u);
    EXPECT_FALSE(platform.tray_icon_present());
    EXPECT_FALSE(platform.tray().is_callback(box, 0x200, 1));
    shell.calls.clear();
    platform.tray().restore(top);
    EXPECT_EQ(shell.calls, Calls{});
    ::DestroyWindow(elsewhere);
    ::DestroyWindow(top);
}

namespace {

// An icon record for a child of a new top-level window, with our window icon
// at 32 px, as the program's start-up hands it over.
struct TrayFixture {
    tk::win32::Win32Desktop platform{::GetModuleHandleW(nullptr)};
    HWND top = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    HWND box = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 0, 0, top, nullptr, nullptr, nullptr);
    tk::NotifyIconData88 rec{88, low32(box), 1, 7, 0x200, 0, {}};
    TrayFixture() {
        std::memset(rec.szTip, ' ', sizeof rec.szTip);
        std::memcpy(rec.szTip, "Taluvex", 7);
        rec.hIcon = static_cast<std::uint32_t>(reinterpret_cast<UINT_PTR>(platform.resources().icon(tk::IconId::Window, 32)));
    }
    ~TrayFixture() { ::DestroyWindow(top); }
};

}  // namespace

TEST(Win32Tray, AnIconRefusedAtLogOnIsAddedAgainEveryFewSecondsUntilShown) {
    StandInShell shell;
    ASSERT_EQ(::FindWindowW(L"Shell_TrayWnd", nullptr), shell.hwnd) << "the stand-in is not the shell's tray";
    TrayFixture t;
    ASSERT_TRUE(t.top && t.box && t.rec.hIcon);
    const ULONGLONG start = t.platform.tray().started_ms();
    EXPECT_EQ(tk::win32::Win32Tray::kRetryMs, 5000u);

    // The shell refuses the first two adds, then takes one; no new task bar
    // is announced. The refused add is checked with a change, which the
    // shell also refuses: it does not hold the icon.
    shell.refuse_adds = 2;
    EXPECT_EQ(t.platform.shell_notify_icon(tk::NIM_ADD, t.rec), 0u);
    EXPECT_EQ(shell.calls, (Calls{tk::NIM_ADD, tk::NIM_MODIFY}));
    EXPECT_FALSE(t.platform.tray_icon_present());
    EXPECT_TRUE(t.platform.tray().retry_armed());

    shell.calls.clear();
    t.platform.tray().retry(start + 5000);
    EXPECT_EQ(shell.calls, (Calls{tk::NIM_ADD, tk::NIM_MODIFY}));
    EXPECT_FALSE(t.platform.tray_icon_present());
    EXPECT_TRUE(t.platform.tray().retry_armed());

    shell.calls.clear();
    t.platform.tray().retry(start + 10000);
    EXPECT_EQ(shell.calls, Calls{tk::NIM_ADD});
    EXPECT_TRUE(shell.holds);
    EXPECT_TRUE(t.platform.tray_icon_present());  // hiding goes to the tray again
    EXPECT_FALSE(t.platform.tray().retry_armed());
    // The 32 px picture went as the one drawn for the shell's small-icon size.
    expect_drawn_for_the_tray(shell);

    // Shown, the icon is left alone: a retry that still runs adds nothing.
    shell.calls.clear();
    t.platform.tray().retry(start + 15000);
    EXPECT_EQ(shell.calls, Calls{});

    // Lost later (the shell went away), it is tried again within the window.
    shell.answer = StandInShell::Answer::RefuseAll;
    EXPECT_EQ(t.platform.shell_notify_icon(tk::NIM_MODIFY, t.rec), 0u);
    EXPECT_FALSE(t.platform.tray_icon_present());
    EXPECT_TRUE(t.platform.tray().retry_armed());
}

TEST(Win32Tray, RetriesStopAfterTwoMinutesAndTheNextTaskBarStillBringsTheIcon) {
    StandInShell shell;
    ASSERT_EQ(::FindWindowW(L"Shell_TrayWnd", nullptr), shell.hwnd) << "the stand-in is not the shell's tray";
    TrayFixture t;
    const ULONGLONG start = t.platform.tray().started_ms();
    shell.answer = StandInShell::Answer::RefuseAll;
    t.platform.shell_notify_icon(tk::NIM_ADD, t.rec);
    shell.calls.clear();
    t.platform.tray().retry(start + 115000);
    EXPECT_EQ(shell.calls, (Calls{tk::NIM_ADD, tk::NIM_MODIFY}));
    EXPECT_TRUE(t.platform.tray().retry_armed());
    shell.calls.clear();
    t.platform.tray().retry(start + 120000);
    EXPECT_EQ(shell.calls, Calls{});
    EXPECT_FALSE(t.platform.tray().retry_armed());
    EXPECT_FALSE(t.platform.tray_icon_present());

    shell.answer = StandInShell::Answer::TakeAll;
    t.platform.tray().restore(t.top);
    EXPECT_TRUE(t.platform.tray_icon_present());
    expect_drawn_for_the_tray(shell);
}

TEST(Win32Tray, AnAddTheShellTookButReportedFailedCountsAsShown) {
    StandInShell shell;
    ASSERT_EQ(::FindWindowW(L"Shell_TrayWnd", nullptr), shell.hwnd) << "the stand-in is not the shell's tray";
    TrayFixture t;
    shell.answer = StandInShell::Answer::TakeAddSayNo;
    EXPECT_EQ(t.platform.shell_notify_icon(tk::NIM_ADD, t.rec), 1u);
    EXPECT_EQ(shell.calls, (Calls{tk::NIM_ADD, tk::NIM_MODIFY}));
    EXPECT_TRUE(t.platform.tray_icon_present());
    EXPECT_FALSE(t.platform.tray().retry_armed());

    // The same after a new task bar.
    shell.holds = false;
    shell.calls.clear();
    t.platform.tray().restore(t.top);
    EXPECT_EQ(shell.calls, (Calls{tk::NIM_ADD, tk::NIM_MODIFY}));
    EXPECT_TRUE(t.platform.tray_icon_present());
    EXPECT_EQ(t.platform.shell_notify_icon(tk::NIM_DELETE, t.rec), 1u);
    EXPECT_FALSE(shell.holds);
}

// Version 4 callbacks carry the icon's id in lparam and, for the keyboard,
// the icon's place in wparam: the menu opens there, and once per right-click.
TEST(Win32Tray, TheShellIsAskedForVersion4AndItsCallbacksBecomeTheProgramsClicks) {
    StandInShell shell;
    ASSERT_EQ(::FindWindowW(L"Shell_TrayWnd", nullptr), shell.hwnd) << "the stand-in is not the shell's tray";
    TrayFixture t;
    t.platform.shell_notify_icon(tk::NIM_ADD, t.rec);
    EXPECT_EQ(shell.versions, std::vector<unsigned long>{kVersion4});
    EXPECT_TRUE(t.platform.tray().is_callback(t.box, 0x200, MAKEWPARAM(700, 580), MAKELPARAM(WM_CONTEXTMENU, 1)));
    EXPECT_FALSE(t.platform.tray().is_callback(t.box, 0x200, 1, MAKELPARAM(WM_CONTEXTMENU, 2)));
    const UINT events[] = {WM_CONTEXTMENU, kKeySelect, WM_RBUTTONUP, kSelect, WM_LBUTTONDBLCLK};
    const UINT program_gets[] = {WM_RBUTTONUP, WM_RBUTTONUP, 0, 0, WM_LBUTTONDBLCLK};
    for (int i = 0; i < 5; ++i) {
        const auto got = tk::win32::Win32Tray::click_v4(MAKEWPARAM(700, -20), MAKELPARAM(events[i], 1));
        EXPECT_EQ(got.message, program_gets[i]) << std::hex << events[i];
        EXPECT_EQ(got.anchored, i < 2) << std::hex << events[i];
        EXPECT_EQ(got.anchor.x * 1000 + got.anchor.y, i < 2 ? 700 * 1000 - 20 : 0) << std::hex << events[i];
    }
    EXPECT_TRUE(t.platform.tray().menu_owner() && !::IsWindowVisible(t.platform.tray().menu_owner()));  // the menus' owner, never seen
}
