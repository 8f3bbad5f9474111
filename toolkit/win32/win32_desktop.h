// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Win32 backend: shows the form model with plain Windows controls and
// feeds the user's input, the tray's callbacks and the clock back into it.
// It adds no behaviour of its own.
//  - Forms: one native window per form and per control; a fixed-dialog form
//    is a dialog from an empty template, so the dialog manager does Tab, Enter
//    and Esc. Menu shortcuts are an accelerator table the form decides on.
//  - Clock: one SetTimer on a message-only window at the system's 1/64 s tick.
//  - Tray: the 88-byte record (32-bit handles, blank-padded 64-byte tip) is
//    widened into the system's NOTIFYICONDATA for Shell_NotifyIcon. Each
//    icon's last state is kept and added again on "TaskbarCreated", which is
//    let through to an elevated window, and, while one is missing, every 5 s
//    for the first 2 minutes (a start at log-on may come before the task bar,
//    which then does not always announce itself). Every add and change
//    carries the icon at the size the shell uses at its DPI. Icons ask for
//    version 4 callbacks, which say where a menu opened from the keyboard
//    belongs (at the icon); they are turned back into the mouse messages the
//    program knows. The menus' owner, which must be the foreground window
//    while one is open, is a hidden window of its own, so the main window
//    does not come forward; a menu that leaves the keyboard there hands it
//    back to the notification area (NIM_SETFOCUS).
//  - Session end: WM_QUERYENDSESSION agrees; WM_ENDSESSION unloads the
//    start-up form as its close box would, even under the About box.
//  - DPI: per monitor where the system has it; twips become pixels at the
//    window's DPI. A move to a monitor of another scale takes the window's
//    size from the layout (WM_GETDPISCALEDSIZE), and WM_DPICHANGED places and
//    re-fonts every control; a window hidden meanwhile catches up when shown.
//    Icons come at the exact size asked for, from pictures drawn for it.
//  - Text: UTF-8 inside, the W functions outside.
//  - The static MinGW build writes numbers with its own double_to_chars,
//    a stand-in for libstdc++'s to_chars and its 170 KB of tables.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "toolkit/form.h"
#include "toolkit/desktop.h"
#include "toolkit/runtime.h"
#include "toolkit/tray_state.h"
#include "toolkit/win32/resources.h"

namespace tk::win32 {

struct FormWindow;

class Win32Desktop : public Desktop {
public:
    explicit Win32Desktop(HINSTANCE instance);
    ~Win32Desktop() override;
    Win32Desktop(const Win32Desktop&) = delete;
    Win32Desktop& operator=(const Win32Desktop&) = delete;

    // Starts the clock; call once the runtime exists, before the first form loads.
    void bind(Runtime& rt);
    // The message loop, until the runtime has ended.
    void run();

    // Desktop
    int message_box(const std::string& prompt, int style, const std::string& title, Form* owner) override;
    std::uint32_t shell_notify_icon(std::uint32_t message, const NotifyIconData88& data) override;
    // True while the shell holds one of the program's icons: the last add or
    // change it took, or the add after a new task bar.
    bool tray_icon_present() override;
    void popup_menu(Form& owner, Menu& menu) override;
    std::uint32_t icon_handle(IconId icon) override;
    IconId load_icon_resource(int id) override;
    void attach(Form& form) override;
    void detach(Form& form) override;
    void end() override;

    // The icons and brushes every window of the program uses.
    Resources& resources() { return resources_; }
    // Whether a message to hwnd is a callback of one of its tray icons, in
    // the form the shell was asked for (version 4 carries the icon's id in
    // lparam, the old form in wparam).
    bool is_tray_callback(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam = 0) const;
    // A callback: delivers the mouse message it stands for; a menu opened
    // meanwhile opens where the shell says.
    bool tray_callback(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam, const std::function<void(UINT)>& deliver);
    // What a version 4 callback stands for: the mouse message the program
    // knows (0 for none) and where a menu it opens belongs. The keyboard's
    // Enter, Space, Shift+F10 and the menu key open the menu at the icon; a
    // right-click opens it once, on the context menu that follows the button.
    struct TrayClick {
        UINT message = 0;
        bool anchored = false;  // at anchor, not at the mouse pointer
        POINT anchor{};
    };
    static TrayClick tray_click_v4(WPARAM wparam, LPARAM lparam);
    // The hidden window that owns the tray's pop-up menus.
    HWND menu_owner() const { return menu_owner_; }
    UINT taskbar_created() const { return taskbar_created_; }
    // Adds again, as last set, the icons whose windows lie in this top-level window.
    void restore_tray_icons(HWND top);
    // Sends the icons in the tray again if the tray's small-icon size is no
    // longer the one they went at.
    void tray_scale_changed();
    // The retry of missing icons, as its timer runs it: adds each again, and
    // stops once all are shown or the first 2 minutes after start are over.
    void retry_tray_icons(ULONGLONG now_ms);
    bool tray_retry_armed() const { return tray_retry_armed_; }
    ULONGLONG started_ms() const { return created_; }
    // A message box's type: the program's style, and how it comes forward
    // for its owner window (null for none) while active is the active window.
    static UINT box_type(int style, HWND owner, HWND active);
    static constexpr UINT kTrayRetryMs = 5000;
    static constexpr ULONGLONG kTrayRetryForMs = 120000;

private:
    static LRESULT CALLBACK service_proc(HWND, UINT, WPARAM, LPARAM);
    bool translate(MSG& msg);
    BOOL notify_shell(std::uint32_t message, const NotifyIconData88& data);
    // Adds the icon as last set; a refused add may still have taken (a
    // time-out), which a change that succeeds shows.
    bool add_again(const NotifyIconData88& last);
    // Arms or stops the retry timer as the icons and the time ask.
    void update_tray_retry(ULONGLONG now_ms);
    int tray_icon_size() const;
    void destroy_doomed();
    FormWindow* window_of(HWND root) const;
    FormWindow* window_of(const Form& form) const;

    HINSTANCE instance_;
    Resources resources_;
    WindowContext context_;  // handed to every form's windows
    Runtime* rt_ = nullptr;
    HWND service_ = nullptr;  // message-only: the clock and deferred clean-up
    ULONGLONG start_ = 0;
    ULONGLONG created_ = 0;
    bool tray_retry_armed_ = false;
    int tray_size_sent_ = 0;  // the size of the last picture the tray was given
    bool ended_ = false;
    HACCEL accel_ = nullptr;
    std::vector<std::unique_ptr<FormWindow>> windows_;  // in the order loaded
    std::vector<std::unique_ptr<FormWindow>> doomed_;   // unloaded, destroyed when safe
    int modal_ = 0;  // a pop-up menu or message box is running its own loop
    // Every icon the program has added and not deleted, shown or not: an add
    // that failed (no task bar yet) is kept, to be made good by the next one.
    struct TrayEntry {
        UINT id = 0;
        TrayIconState icon;     // what the shell was told, to tell it again
        bool in_shell = false;  // the shell took the last add or change
        bool version4 = false;  // the shell took NOTIFYICON_VERSION_4 for it
    };
    // Asks the shell for version 4 callbacks, which tell where the icon is.
    bool set_version(HWND hwnd, UINT id);
    HWND menu_owner_ = nullptr;
    // The icon whose callback is being delivered, and where its menu opens.
    struct MenuSource {
        HWND hwnd = nullptr;
        UINT id = 0;
        bool anchored = false;
        POINT anchor{};
    };
    MenuSource menu_source_;
    bool menu_open_ = false;
    UINT taskbar_created_ = 0;
    std::map<HWND, TrayEntry> tray_;
};

}  // namespace tk::win32
