// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Win32 desktop's tray. The 88-byte record (32-bit handles, blank-padded
// 64-byte tip) is widened into the system's NOTIFYICONDATA for
// Shell_NotifyIcon. Each icon's last state is kept and added again on
// "TaskbarCreated", which is let through to an elevated window, and, while
// one is missing, every 5 s for the first 2 minutes (a start at log-on may
// come before the task bar, which then does not always announce itself).
// Every add and change carries the icon at the size the shell uses at its
// DPI. Icons ask for version 4 callbacks, which say where a menu opened from
// the keyboard belongs (at the icon); they are turned back into the mouse
// messages the program knows. The menus' owner, which must be the foreground
// window while one is open, is a hidden window of its own, so the main window
// does not come forward; a menu that leaves the keyboard there hands it back
// to the notification area (NIM_SETFOCUS).
#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>

#include "toolkit/desktop.h"
#include "toolkit/tray_state.h"
#include "toolkit/win32/resources.h"

namespace tk::win32 {

class Win32Tray {
public:
    // The menus' owner is a hidden window of window_class; the retry timer
    // (kRetryTimer) runs on timer_window, whose owner passes it to retry().
    Win32Tray(HINSTANCE instance, Resources& resources, const wchar_t* window_class, HWND timer_window);
    ~Win32Tray();
    Win32Tray(const Win32Tray&) = delete;
    Win32Tray& operator=(const Win32Tray&) = delete;

    std::uint32_t shell_notify_icon(std::uint32_t message, const NotifyIconData88& data);
    // True while the shell holds one of the program's icons: the last add or
    // change it took, or the add after a new task bar.
    bool present() const;
    // The handle of one of our pictures at the small size the tray shows.
    std::uint32_t icon_handle(IconId id);
    // Whether a message to hwnd is a callback of one of its tray icons, in
    // the form the shell was asked for (version 4 carries the icon's id in
    // lparam, the old form in wparam).
    bool is_callback(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam = 0) const;
    // A callback: delivers the mouse message it stands for; a menu opened
    // meanwhile opens where the shell says.
    bool callback(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam, const std::function<void(UINT)>& deliver);
    // What a version 4 callback stands for: the mouse message the program
    // knows (0 for none) and where a menu it opens belongs. The keyboard's
    // Enter, Space, Shift+F10 and the menu key open the menu at the icon; a
    // right-click opens it once, on the context menu that follows the button.
    struct Click {
        UINT message = 0;
        bool anchored = false;  // at anchor, not at the mouse pointer
        POINT anchor{};
    };
    static Click click_v4(WPARAM wparam, LPARAM lparam);
    // The hidden window that owns the tray's pop-up menus.
    HWND menu_owner() const { return menu_owner_; }
    // The shell's "TaskbarCreated": a new task bar (Explorer restarted, or
    // started after us) has an empty tray, and only top-level windows hear it.
    UINT taskbar_created() const { return taskbar_created_; }
    // Adds again, as last set, the icons whose windows lie in this top-level window.
    void restore(HWND top);
    // Sends the icons in the tray again if the tray's small-icon size is no
    // longer the one they went at.
    void scale_changed();
    // The retry of missing icons, as its timer runs it: adds each again, and
    // stops once all are shown or the first 2 minutes after start are over.
    void retry(ULONGLONG now_ms);
    bool retry_armed() const { return retry_armed_; }
    ULONGLONG started_ms() const { return created_; }
    // The icon whose callback is being delivered, and where its menu opens.
    struct MenuSource {
        HWND hwnd = nullptr;
        UINT id = 0;
        bool anchored = false;
        POINT anchor{};
    };
    const MenuSource& menu_source() const { return menu_source_; }
    // A pop-up menu opened from an icon has closed.
    void menu_closed(const MenuSource& from);
    // The program ends: no more retries.
    void end();
    static constexpr UINT_PTR kRetryTimer = 2;
    static constexpr UINT kRetryMs = 5000;
    static constexpr ULONGLONG kRetryForMs = 120000;

private:
    BOOL notify_shell(std::uint32_t message, const NotifyIconData88& data);
    // Adds the icon as last set; a refused add may still have taken (a
    // time-out), which a change that succeeds shows.
    bool add_again(const NotifyIconData88& last);
    // Asks the shell for version 4 callbacks, which tell where the icon is.
    bool set_version(HWND hwnd, UINT id);
    // Arms or stops the retry timer as the icons and the time ask.
    void update_retry(ULONGLONG now_ms);
    int icon_size() const;

    Resources& resources_;
    HWND timer_window_;
    HWND menu_owner_ = nullptr;
    UINT taskbar_created_ = 0;
    ULONGLONG created_ = 0;
    bool retry_armed_ = false;
    int size_sent_ = 0;  // the size of the last picture the tray was given
    bool ended_ = false;
    MenuSource menu_source_;
    // Every icon the program has added and not deleted, shown or not: an add
    // that failed (no task bar yet) is kept, to be made good by the next one.
    struct Entry {
        UINT id = 0;
        TrayIconState icon;     // what the shell was told, to tell it again
        bool in_shell = false;  // the shell took the last add or change
        bool version4 = false;  // the shell took NOTIFYICON_VERSION_4 for it
    };
    std::map<HWND, Entry> icons_;
};

}  // namespace tk::win32
