// The Win32 backend's tray book-keeping against a stand-in shell: a tray
// window of the shell's own class that takes or refuses each call, so an add
// that fails (no task bar yet) and the adds after "TaskbarCreated" can be seen.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "toolkit/win32/win32_platform.h"

namespace {

class StandInShell {
public:
    enum class Answer { TakeAll, RefuseAll, RefuseAdd };

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

private:
    static LRESULT CALLBACK proc(HWND h, UINT m, WPARAM w, LPARAM l) {
        auto* self = reinterpret_cast<StandInShell*>(::GetWindowLongPtrW(h, GWLP_USERDATA));
        if (m != WM_COPYDATA || !self) return ::DefWindowProcW(h, m, w, l);
        const auto message = static_cast<unsigned long>(reinterpret_cast<const COPYDATASTRUCT*>(l)->dwData);
        self->calls.push_back(message);
        if (self->answer == Answer::RefuseAll) return FALSE;
        if (self->answer == Answer::RefuseAdd && message == tk::NIM_ADD) return FALSE;
        return TRUE;
    }
};

std::uint32_t low32(HWND h) { return static_cast<std::uint32_t>(reinterpret_cast<UINT_PTR>(h)); }

using Calls = std::vector<unsigned long>;

}  // namespace

TEST(Win32Tray, AnIconTheShellRefusedIsAddedWithTheNextTaskBar) {
    StandInShell shell;
    ASSERT_NE(shell.hwnd, nullptr);
    ASSERT_EQ(::FindWindowW(L"Shell_TrayWnd", nullptr), shell.hwnd) << "the stand-in is not the shell's tray";
    tk::win32::Win32Platform platform(::GetModuleHandleW(nullptr));
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
    EXPECT_TRUE(platform.is_tray_callback(box, 0x200, 1));

    // The task bar arrives and says so to the icon's top-level window only.
    shell.answer = StandInShell::Answer::TakeAll;
    shell.calls.clear();
    platform.restore_tray_icons(elsewhere);
    EXPECT_EQ(shell.calls, Calls{});
    platform.restore_tray_icons(top);
    EXPECT_EQ(shell.calls, Calls{tk::NIM_ADD});
    EXPECT_TRUE(platform.tray_icon_present());

    // A new task bar that still holds the icon (a DPI change announces one
    // too) refuses the add; a change keeps it.
    shell.answer = StandInShell::Answer::RefuseAdd;
    shell.calls.clear();
    platform.restore_tray_icons(top);
    EXPECT_EQ(shell.calls, (Calls{tk::NIM_ADD, tk::NIM_MODIFY}));
    EXPECT_TRUE(platform.tray_icon_present());

    // The shell gone, a change fails: no icon, until the next task bar.
    shell.answer = StandInShell::Answer::RefuseAll;
    EXPECT_EQ(platform.shell_notify_icon(tk::NIM_MODIFY, rec), 0u);
    EXPECT_FALSE(platform.tray_icon_present());
    shell.answer = StandInShell::Answer::TakeAll;
    platform.restore_tray_icons(top);
    EXPECT_TRUE(platform.tray_icon_present());

    // Deleted, the icon is forgotten: a new task bar brings nothing back.
    EXPECT_EQ(platform.shell_notify_icon(tk::NIM_DELETE, rec), 1u);
    EXPECT_FALSE(platform.tray_icon_present());
    EXPECT_FALSE(platform.is_tray_callback(box, 0x200, 1));
    shell.calls.clear();
    platform.restore_tray_icons(top);
    EXPECT_EQ(shell.calls, Calls{});
    ::DestroyWindow(elsewhere);
    ::DestroyWindow(top);
}
