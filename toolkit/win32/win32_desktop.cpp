// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/win32/win32_desktop.h"

#include <commctrl.h>

#include <algorithm>

#include "toolkit/error.h"
#include "toolkit/menu.h"
#include "toolkit/os/windows/text.h"
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

}  // namespace

Win32Desktop::Win32Desktop(HINSTANCE instance)
    : instance_(instance),
      resources_(instance),
      context_{resources_, nullptr, {}} {
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
    tray_ = std::make_unique<Win32Tray>(instance_, resources_, kServiceClass, service_);
    context_.tray = tray_.get();
    accel_ = create_shortcut_table();
    context_.end_session = [this] {
        if (rt_) rt_->end_session();
    };
}

Win32Desktop::~Win32Desktop() {
    if (service_) ::KillTimer(service_, kClockTimer);
    context_.tray = nullptr;
    tray_.reset();
    doomed_.clear();
    windows_.clear();
    if (service_) ::DestroyWindow(service_);
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
    if (self && m == WM_TIMER && w == Win32Tray::kRetryTimer) {
        if (self->tray_) self->tray_->retry(::GetTickCount64());
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

std::uint32_t Win32Desktop::shell_notify_icon(std::uint32_t message, const NotifyIconData88& data) {
    return tray_->shell_notify_icon(message, data);
}

bool Win32Desktop::tray_icon_present() { return tray_->present(); }

void Win32Desktop::popup_menu(Form& owner, Menu& menu) {
    FormWindow* fw = window_of(owner);
    if (!fw || !fw->hwnd) return;
    const Node* n = fw->node_of(&menu);
    if (!n || !n->menu || ::GetMenuItemCount(n->menu) <= 0) return;
    // The shell sends Enter twice: one menu at a time.
    if (menu_open_) return;
    const Win32Tray::MenuSource from = tray_->menu_source();
    POINT pt = from.anchor;
    if (!from.anchored) ::GetCursorPos(&pt);
    HWND hwnd = tray_->menu_owner() ? tray_->menu_owner() : fw->hwnd;
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
    tray_->menu_closed(from);
}

std::uint32_t Win32Desktop::icon_handle(IconId id) { return tray_->icon_handle(id); }

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
    tray_->end();
    ::PostQuitMessage(0);
}

}  // namespace tk::win32
