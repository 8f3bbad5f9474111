// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/win32/win32_desktop.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cstring>

#include "toolkit/error.h"
#include "toolkit/menu.h"
#include "toolkit/os/windows/text.h"
#include "toolkit/win32/dpi.h"
#include "toolkit/win32/form_window.h"
#include "toolkit/win32/shortcuts.h"

namespace tk::win32 {

DesktopKey desktop_key() { return {}; }

namespace {

constexpr wchar_t kServiceClass[] = L"TaluvexService";
constexpr UINT_PTR kClockTimer = 1;
// The system's 1/64 s tick: a shorter period only wakes the program for nothing.
constexpr UINT kClockPeriodMs = 15;
constexpr UINT kCleanUp = WM_APP + 1;
constexpr UINT_PTR kTrayRetryTimer = 2;

std::uint32_t low32(const void* handle) {
    return static_cast<std::uint32_t>(reinterpret_cast<UINT_PTR>(handle));
}

// A 32-bit handle as the system widens it (LongToHandle).
template <class H>
H widen_handle(std::uint32_t value) {
    return reinterpret_cast<H>(static_cast<LONG_PTR>(static_cast<std::int32_t>(value)));
}

}  // namespace

Win32Desktop::Win32Desktop(HINSTANCE instance)
    : instance_(instance),
      resources_(instance),
      context_{resources_, 0, {}, {}, {}, {}},
      created_(::GetTickCount64()) {
    INITCOMMONCONTROLSEX icc{};
    icc.dwSize = sizeof icc;
    icc.dwICC = ICC_STANDARD_CLASSES;
    ::InitCommonControlsEx(&icc);
    register_window_classes(instance_);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = service_proc;
    wc.hInstance = instance_;
    wc.lpszClassName = kServiceClass;
    ::RegisterClassExW(&wc);
    service_ = ::CreateWindowExW(0, kServiceClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance_, this);
    // Never shown: the tray's menus need a foreground window of the program's
    // own, and any other would come up in front of the user's work.
    menu_owner_ = ::CreateWindowExW(WS_EX_TOOLWINDOW, kServiceClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                    instance_, nullptr);
    accel_ = create_shortcut_table();
    taskbar_created_ = ::RegisterWindowMessageW(L"TaskbarCreated");
    context_.taskbar_created = taskbar_created_;
    context_.tray_callback = [this](HWND h, UINT msg, WPARAM w, LPARAM l, const std::function<void(UINT)>& deliver) {
        return tray_callback(h, msg, w, l, deliver);
    };
    context_.restore_tray_icons = [this](HWND top) { restore_tray_icons(top); };
    context_.tray_scale_changed = [this] { tray_scale_changed(); };
    context_.end_session = [this] {
        if (rt_) rt_->end_session();
    };
}

Win32Desktop::~Win32Desktop() {
    if (service_) ::KillTimer(service_, kClockTimer);
    if (service_) ::KillTimer(service_, kTrayRetryTimer);
    // An icon left in the tray would stay there until the mouse passes over it.
    for (const auto& [hwnd, entry] : tray_) {
        NOTIFYICONDATAW nid{};
        nid.cbSize = sizeof nid;
        nid.hWnd = hwnd;
        nid.uID = entry.id;
        ::Shell_NotifyIconW(NIM_DELETE, &nid);
    }
    tray_.clear();
    doomed_.clear();
    windows_.clear();
    if (service_) ::DestroyWindow(service_);
    if (menu_owner_) ::DestroyWindow(menu_owner_);
    if (accel_) ::DestroyAcceleratorTable(accel_);
}

void Win32Desktop::bind(Runtime& rt) {
    rt_ = &rt;
    start_ = ::GetTickCount64();
    rt.scheduler().set_clock([this] { return static_cast<std::int64_t>(::GetTickCount64() - start_); });
    if (service_) ::SetTimer(service_, kClockTimer, kClockPeriodMs, nullptr);
}

LRESULT CALLBACK Win32Desktop::service_proc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_NCCREATE) {
        auto* self = static_cast<Win32Desktop*>(reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams);
        ::SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Win32Desktop*>(::GetWindowLongPtrW(h, GWLP_USERDATA));
    if (self && m == WM_TIMER && w == kClockTimer) {
        // The system timer keeps the 1/64 s grid itself; the delay is not needed.
        if (self->rt_ && !self->ended_)
            self->rt_->tick([self] { return static_cast<std::int64_t>(::GetTickCount64() - self->start_); });
        return 0;
    }
    if (self && m == WM_TIMER && w == kTrayRetryTimer) {
        self->retry_tray_icons(::GetTickCount64());
        return 0;
    }
    if (self && m == kCleanUp) {
        self->destroy_doomed();
        return 0;
    }
    return ::DefWindowProcW(h, m, w, l);
}

void Win32Desktop::run() {
    MSG msg;
    while (!ended_) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) break;
        if (translate(msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

bool Win32Desktop::translate(MSG& msg) {
    if (!msg.hwnd) return false;
    HWND root = ::GetAncestor(msg.hwnd, GA_ROOT);
    FormWindow* fw = window_of(root);
    if (!fw) return false;
    if (accel_ && ::TranslateAcceleratorW(root, accel_, &msg)) return true;
    // Tab, Enter, Esc and access keys in a dialog-style window.
    return fw->dialog && ::IsDialogMessageW(root, &msg);
}

FormWindow* Win32Desktop::window_of(HWND root) const {
    for (const auto& w : windows_)
        if (w->hwnd == root) return w.get();
    return nullptr;
}

FormWindow* Win32Desktop::window_of(const Form& form) const {
    for (const auto& w : windows_)
        if (w->form == &form) return w.get();
    return nullptr;
}

// --- boxes, tray, pop-ups, icons --------------------------------------------------

UINT Win32Desktop::box_type(int style, HWND owner, HWND active) {
    // The styles and answers are the system's own numbers.
    UINT type = static_cast<UINT>(style) & 0xFFFFu;
    // A box raised by a timer while the user works elsewhere comes to the
    // front; with no window shown, it holds every window of the program.
    if (!owner) type |= MB_TASKMODAL | MB_SETFOREGROUND;
    else if (owner != active) type |= MB_SETFOREGROUND;
    return type;
}

int Win32Desktop::message_box(const std::string& prompt, int style, const std::string& title, Form* owner_form) {
    const FormWindow* fw = owner_form ? window_of(*owner_form) : nullptr;
    HWND owner = fw ? fw->hwnd : nullptr;
    const UINT type = box_type(style, owner, ::GetActiveWindow());
    ++modal_;
    const int answer =
        ::MessageBoxW(owner, os::widen(prompt).c_str(), os::widen(title).c_str(), type);
    --modal_;
    if (!doomed_.empty() && service_) ::PostMessageW(service_, kCleanUp, 0, 0);
    return answer;
}

BOOL Win32Desktop::notify_shell(std::uint32_t message, const NotifyIconData88& data) {
    NOTIFYICONDATAA nid{};
    nid.cbSize = sizeof nid;
    nid.hWnd = widen_handle<HWND>(data.hWnd);
    nid.uID = data.uID;
    nid.uFlags = data.uFlags;
    nid.uCallbackMessage = data.uCallbackMessage;
    // One of our pictures goes at the size the shell draws now: a 32 px image
    // shrunk by the shell to 16 px is a blot.
    const int size = tray_icon_size();
    HICON sized = resources_.icon(resources_.picture_of(data.hIcon), size);
    nid.hIcon = sized ? sized : widen_handle<HICON>(data.hIcon);
    if (sized && (data.uFlags & NIF_ICON)) tray_size_sent_ = size;
    // The record's tip is blank-padded without a terminator.
    static_assert(sizeof nid.szTip > sizeof data.szTip, "room for the whole tip and its terminator");
    std::memcpy(nid.szTip, data.szTip, sizeof data.szTip);
    nid.szTip[sizeof data.szTip] = '\0';
    // Version 4 shows the tip only when asked to.
    if (nid.uFlags & NIF_TIP) nid.uFlags |= NIF_SHOWTIP;
    return ::Shell_NotifyIconA(message, &nid);
}

bool Win32Desktop::set_version(HWND hwnd, UINT id) {
    NOTIFYICONDATAA nid{};
    nid.cbSize = sizeof nid;
    nid.hWnd = hwnd;
    nid.uID = id;
    nid.uVersion = NOTIFYICON_VERSION_4;
    return ::Shell_NotifyIconA(NIM_SETVERSION, &nid) != FALSE;
}

std::uint32_t Win32Desktop::shell_notify_icon(std::uint32_t message, const NotifyIconData88& data) {
    BOOL ok = notify_shell(message, data);
    // An add the shell reports as failed may have taken all the same (it
    // timed out while the shell was busy): then a change succeeds.
    if (!ok && message == NIM_ADD) ok = notify_shell(NIM_MODIFY, data);
    const HWND hwnd = widen_handle<HWND>(data.hWnd);
    if (message == NIM_DELETE) {
        tray_.erase(hwnd);
    } else if (message == NIM_ADD || (message == NIM_MODIFY && (ok || tray_.count(hwnd)))) {
        auto& entry = tray_[hwnd];
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
    update_tray_retry(::GetTickCount64());
    return ok ? 1u : 0u;
}

bool Win32Desktop::add_again(const NotifyIconData88& last) {
    return notify_shell(NIM_ADD, last) || notify_shell(NIM_MODIFY, last);
}

void Win32Desktop::update_tray_retry(ULONGLONG now_ms) {
    const bool missing =
        std::any_of(tray_.begin(), tray_.end(), [](const auto& e) { return !e.second.in_shell; });
    const bool arm = missing && !ended_ && now_ms - created_ < kTrayRetryForMs;
    if (arm == tray_retry_armed_) return;
    tray_retry_armed_ = arm;
    if (!service_) return;
    if (arm) ::SetTimer(service_, kTrayRetryTimer, kTrayRetryMs, nullptr);
    else ::KillTimer(service_, kTrayRetryTimer);
}

void Win32Desktop::retry_tray_icons(ULONGLONG now_ms) {
    if (!ended_ && now_ms - created_ < kTrayRetryForMs)
        for (auto& [hwnd, entry] : tray_)
            if (!entry.in_shell) {
                entry.in_shell = add_again(record_of(entry.icon, low32(hwnd), entry.id));
                entry.version4 = entry.in_shell && set_version(hwnd, entry.id);
            }
    update_tray_retry(now_ms);
}

int Win32Desktop::tray_icon_size() const {
    // The shell's small-icon size at the DPI of its own tray window.
    return metric_for_dpi(SM_CXSMICON, dpi_of(::FindWindowW(L"Shell_TrayWnd", nullptr)));
}

void Win32Desktop::tray_scale_changed() {
    if (tray_size_sent_ == 0 || tray_icon_size() == tray_size_sent_) return;
    // The shell keeps the picture it was given, at the old size.
    for (auto& [hwnd, entry] : tray_)
        if (entry.in_shell) entry.in_shell = notify_shell(NIM_MODIFY, record_of(entry.icon, low32(hwnd), entry.id));
    update_tray_retry(::GetTickCount64());
}

bool Win32Desktop::tray_icon_present() {
    return std::any_of(tray_.begin(), tray_.end(), [](const auto& e) { return e.second.in_shell; });
}

void Win32Desktop::restore_tray_icons(HWND top) {
    for (auto& [hwnd, entry] : tray_) {
        if (::GetAncestor(hwnd, GA_ROOT) != top) continue;
        // An icon that outlived the old task bar (a DPI change also announces
        // a new one) refuses the add; a change then tells it the rest.
        entry.in_shell = add_again(record_of(entry.icon, low32(hwnd), entry.id));
        entry.version4 = entry.in_shell && set_version(hwnd, entry.id);
    }
    update_tray_retry(::GetTickCount64());
}

bool Win32Desktop::is_tray_callback(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) const {
    auto it = tray_.find(hwnd);
    if (it == tray_.end() || it->second.icon.message == 0 || msg != it->second.icon.message) return false;
    const UINT id = it->second.version4 ? HIWORD(lparam) : static_cast<UINT>(wparam);
    return id == it->second.id;
}

Win32Desktop::TrayClick Win32Desktop::tray_click_v4(WPARAM wparam, LPARAM lparam) {
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

bool Win32Desktop::tray_callback(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam,
                                 const std::function<void(UINT)>& deliver) {
    if (!is_tray_callback(hwnd, msg, wparam, lparam)) return false;
    const TrayEntry& entry = tray_.at(hwnd);
    TrayClick click = entry.version4 ? tray_click_v4(wparam, lparam) : TrayClick{LOWORD(lparam), false, {}};
    if (!click.message) return true;
    const MenuSource outer = menu_source_;
    menu_source_ = {hwnd, entry.id, click.anchored, click.anchor};
    deliver(click.message);
    menu_source_ = outer;
    return true;
}

void Win32Desktop::popup_menu(Form& owner, Menu& menu) {
    FormWindow* fw = window_of(owner);
    if (!fw || !fw->hwnd) return;
    const Node* n = fw->node_of(&menu);
    if (!n || !n->menu || ::GetMenuItemCount(n->menu) <= 0) return;
    // The shell sends Enter twice: one menu at a time.
    if (menu_open_) return;
    const MenuSource from = menu_source_;
    POINT pt = from.anchor;
    if (!from.anchored) ::GetCursorPos(&pt);
    HWND hwnd = menu_owner_ ? menu_owner_ : fw->hwnd;
    // Without the foreground the menu would not close when the user clicks
    // elsewhere; the posted message lets it finish closing.
    ::SetForegroundWindow(hwnd);
    ++modal_;
    menu_open_ = true;
    const UINT chosen = static_cast<UINT>(::TrackPopupMenuEx(
        n->menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, pt.x, pt.y, hwnd, nullptr));
    menu_open_ = false;
    --modal_;
    ::PostMessageW(hwnd, WM_NULL, 0, 0);
    if (!doomed_.empty() && service_) ::PostMessageW(service_, kCleanUp, 0, 0);
    // The form may have gone while the menu was open.
    fw = chosen ? window_of(owner) : nullptr;
    const Node* pick = fw ? fw->node_by_id(chosen) : nullptr;
    if (pick && pick->control && pick->kind == Kind::Menu)
        owner.user_choose(desktop_key(), static_cast<Menu&>(*pick->control), true);
    // A menu cancelled with Esc, or an entry that shows nothing, leaves the
    // keyboard on the hidden owner: the notification area takes it back.
    if (from.hwnd && !ended_ && ::GetForegroundWindow() == menu_owner_ && tray_.count(from.hwnd)) {
        NOTIFYICONDATAA nid{};
        nid.cbSize = sizeof nid;
        nid.hWnd = from.hwnd;
        nid.uID = from.id;
        ::Shell_NotifyIconA(NIM_SETFOCUS, &nid);
    }
}

std::uint32_t Win32Desktop::icon_handle(IconId id) {
    // The tray shows small icons.
    return low32(resources_.icon(id, tray_icon_size()));
}

IconId Win32Desktop::load_icon_resource(int id) {
    IconId picture = IconId::None;
    if (resources_.has_icon_resource(id, picture)) return picture;
    throw Error(ErrorCode::ResourceNotFound, "Resource with identifier not found");
}

// --- forms ---------------------------------------------------------------------

void Win32Desktop::attach(Form& form) {
    windows_.push_back(std::make_unique<FormWindow>(context_, form));
    windows_.back()->create();
}

void Win32Desktop::detach(Form& form) {
    auto it = std::find_if(windows_.begin(), windows_.end(), [&](const auto& w) { return w->form == &form; });
    if (it == windows_.end()) return;
    std::unique_ptr<FormWindow> fw = std::move(*it);
    windows_.erase(it);
    fw->forget();
    if (fw->hwnd) ::ShowWindow(fw->hwnd, SW_HIDE);
    // Often called from inside one of the window's own handlers (an OK button
    // that unloads its box): the windows go once that handler has returned.
    doomed_.push_back(std::move(fw));
    if (service_) ::PostMessageW(service_, kCleanUp, 0, 0);
}

void Win32Desktop::destroy_doomed() {
    // Not under a running pop-up menu or message box: they may still use them.
    if (modal_ > 0) return;
    doomed_.clear();
}

void Win32Desktop::end() {
    if (ended_) return;
    ended_ = true;
    if (service_) ::KillTimer(service_, kClockTimer);
    update_tray_retry(::GetTickCount64());
    ::PostQuitMessage(0);
}

}  // namespace tk::win32
