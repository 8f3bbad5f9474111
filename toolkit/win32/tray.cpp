// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/win32/tray.h"

#include <shellapi.h>

#include <algorithm>
#include <cstring>

#include "toolkit/win32/dpi.h"

namespace tk::win32 {
namespace {

std::uint32_t low32(const void* handle) {
    return static_cast<std::uint32_t>(reinterpret_cast<UINT_PTR>(handle));
}

// A 32-bit handle as the system widens it (LongToHandle).
template <class H>
H widen_handle(std::uint32_t value) {
    return reinterpret_cast<H>(static_cast<LONG_PTR>(static_cast<std::int32_t>(value)));
}

}  // namespace

Win32Tray::Win32Tray(HINSTANCE instance, Resources& resources, const wchar_t* window_class, HWND timer_window)
    : resources_(resources), timer_window_(timer_window), created_(::GetTickCount64()) {
    // Never shown: the tray's menus need a foreground window of the program's
    // own, and any other would come up in front of the user's work.
    menu_owner_ = ::CreateWindowExW(WS_EX_TOOLWINDOW, window_class, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                    instance, nullptr);
    taskbar_created_ = ::RegisterWindowMessageW(L"TaskbarCreated");
}

Win32Tray::~Win32Tray() {
    if (timer_window_) ::KillTimer(timer_window_, kRetryTimer);
    // An icon left in the tray would stay there until the mouse passes over it.
    for (const auto& [hwnd, entry] : icons_) {
        NOTIFYICONDATAW nid{};
        nid.cbSize = sizeof nid;
        nid.hWnd = hwnd;
        nid.uID = entry.id;
        ::Shell_NotifyIconW(NIM_DELETE, &nid);
    }
    icons_.clear();
    if (menu_owner_) ::DestroyWindow(menu_owner_);
}

BOOL Win32Tray::notify_shell(std::uint32_t message, const NotifyIconData88& data) {
    NOTIFYICONDATAA nid{};
    nid.cbSize = sizeof nid;
    nid.hWnd = widen_handle<HWND>(data.hWnd);
    nid.uID = data.uID;
    nid.uFlags = data.uFlags;
    nid.uCallbackMessage = data.uCallbackMessage;
    // One of our pictures goes at the size the shell draws now: a 32 px image
    // shrunk by the shell to 16 px is a blot.
    const int size = icon_size();
    HICON sized = resources_.icon(resources_.picture_of(data.hIcon), size);
    nid.hIcon = sized ? sized : widen_handle<HICON>(data.hIcon);
    if (sized && (data.uFlags & NIF_ICON)) size_sent_ = size;
    // The record's tip is blank-padded without a terminator.
    static_assert(sizeof nid.szTip > sizeof data.szTip, "room for the whole tip and its terminator");
    std::memcpy(nid.szTip, data.szTip, sizeof data.szTip);
    nid.szTip[sizeof data.szTip] = '\0';
    // Version 4 shows the tip only when asked to.
    if (nid.uFlags & NIF_TIP) nid.uFlags |= NIF_SHOWTIP;
    return ::Shell_NotifyIconA(message, &nid);
}

bool Win32Tray::set_version(HWND hwnd, UINT id) {
    NOTIFYICONDATAA nid{};
    nid.cbSize = sizeof nid;
    nid.hWnd = hwnd;
    nid.uID = id;
    nid.uVersion = NOTIFYICON_VERSION_4;
    return ::Shell_NotifyIconA(NIM_SETVERSION, &nid) != FALSE;
}

std::uint32_t Win32Tray::shell_notify_icon(std::uint32_t message, const NotifyIconData88& data) {
    BOOL ok = notify_shell(message, data);
    // An add the shell reports as failed may have taken all the same (it
    // timed out while the shell was busy): then a change succeeds.
    if (!ok && message == NIM_ADD) ok = notify_shell(NIM_MODIFY, data);
    const HWND hwnd = widen_handle<HWND>(data.hWnd);
    if (message == NIM_DELETE) {
        icons_.erase(hwnd);
    } else if (message == NIM_ADD || (message == NIM_MODIFY && (ok || icons_.count(hwnd)))) {
        auto& entry = icons_[hwnd];
        // The shell, not this list, says whether the icon is there: an add
        // starts afresh even over one kept, and a change the shell took of an
        // icon not kept counts as its add.
        const bool fresh = message == NIM_ADD || !entry.icon.shown;
        if (fresh) entry.icon = TrayIconState{};
        apply(entry.icon, fresh ? NIM_ADD : NIM_MODIFY, data);
        entry.id = data.uID;
        entry.in_shell = ok != FALSE;
        if (fresh) entry.version4 = entry.in_shell && set_version(hwnd, entry.id);
    }
    update_retry(::GetTickCount64());
    return ok ? 1u : 0u;
}

bool Win32Tray::add_again(const NotifyIconData88& last) {
    return notify_shell(NIM_ADD, last) || notify_shell(NIM_MODIFY, last);
}

void Win32Tray::update_retry(ULONGLONG now_ms) {
    const bool missing =
        std::any_of(icons_.begin(), icons_.end(), [](const auto& e) { return !e.second.in_shell; });
    const bool arm = missing && !ended_ && now_ms - created_ < kRetryForMs;
    if (arm == retry_armed_) return;
    retry_armed_ = arm;
    if (!timer_window_) return;
    if (arm) ::SetTimer(timer_window_, kRetryTimer, kRetryMs, nullptr);
    else ::KillTimer(timer_window_, kRetryTimer);
}

void Win32Tray::retry(ULONGLONG now_ms) {
    if (!ended_ && now_ms - created_ < kRetryForMs)
        for (auto& [hwnd, entry] : icons_)
            if (!entry.in_shell) {
                entry.in_shell = add_again(record_of(entry.icon, low32(hwnd), entry.id));
                entry.version4 = entry.in_shell && set_version(hwnd, entry.id);
            }
    update_retry(now_ms);
}

int Win32Tray::icon_size() const {
    // The shell's small-icon size at the DPI of its own tray window.
    return metric_for_dpi(SM_CXSMICON, dpi_of(::FindWindowW(L"Shell_TrayWnd", nullptr)));
}

std::uint32_t Win32Tray::icon_handle(IconId id) { return low32(resources_.icon(id, icon_size())); }

void Win32Tray::scale_changed() {
    if (size_sent_ == 0 || icon_size() == size_sent_) return;
    // The shell keeps the picture it was given, at the old size.
    for (auto& [hwnd, entry] : icons_)
        if (entry.in_shell) entry.in_shell = notify_shell(NIM_MODIFY, record_of(entry.icon, low32(hwnd), entry.id));
    update_retry(::GetTickCount64());
}

bool Win32Tray::present() const {
    return std::any_of(icons_.begin(), icons_.end(), [](const auto& e) { return e.second.in_shell; });
}

void Win32Tray::restore(HWND top) {
    for (auto& [hwnd, entry] : icons_) {
        if (::GetAncestor(hwnd, GA_ROOT) != top) continue;
        // An icon that outlived the old task bar (a DPI change also announces
        // a new one) refuses the add; a change then tells it the rest.
        entry.in_shell = add_again(record_of(entry.icon, low32(hwnd), entry.id));
        entry.version4 = entry.in_shell && set_version(hwnd, entry.id);
    }
    update_retry(::GetTickCount64());
}

bool Win32Tray::is_callback(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) const {
    auto it = icons_.find(hwnd);
    if (it == icons_.end() || it->second.icon.message == 0 || msg != it->second.icon.message) return false;
    const UINT id = it->second.version4 ? HIWORD(lparam) : static_cast<UINT>(wparam);
    return id == it->second.id;
}

Win32Tray::Click Win32Tray::click_v4(WPARAM wparam, LPARAM lparam) {
    // The anchor: the pointer for the mouse, the icon for the keyboard
    // (screen coordinates, negative left of or above the main screen).
    const POINT at{static_cast<short>(LOWORD(wparam)), static_cast<short>(HIWORD(wparam))};
    switch (LOWORD(lparam)) {
        case WM_CONTEXTMENU:
        case NIN_KEYSELECT: return {WM_RBUTTONUP, true, at};
        case WM_RBUTTONUP:  // the context menu follows
        case NIN_SELECT: return {};
        default: return {LOWORD(lparam), false, {}};
    }
}

bool Win32Tray::callback(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam,
                         const std::function<void(UINT)>& deliver) {
    if (!is_callback(hwnd, msg, wparam, lparam)) return false;
    const Entry& entry = icons_.at(hwnd);
    Click click = entry.version4 ? click_v4(wparam, lparam) : Click{LOWORD(lparam), false, {}};
    if (!click.message) return true;
    const MenuSource outer = menu_source_;
    menu_source_ = {hwnd, entry.id, click.anchored, click.anchor};
    deliver(click.message);
    menu_source_ = outer;
    return true;
}

void Win32Tray::menu_closed(const MenuSource& from) {
    // A menu cancelled with Esc, or an entry that shows nothing, leaves the
    // keyboard on the hidden owner: the notification area takes it back.
    if (from.hwnd && !ended_ && ::GetForegroundWindow() == menu_owner_ && icons_.count(from.hwnd)) {
        NOTIFYICONDATAA nid{};
        nid.cbSize = sizeof nid;
        nid.hWnd = from.hwnd;
        nid.uID = from.id;
        ::Shell_NotifyIconA(NIM_SETFOCUS, &nid);
    }
}

void Win32Tray::end() {
    ended_ = true;
    update_retry(::GetTickCount64());
}

}  // namespace tk::win32
