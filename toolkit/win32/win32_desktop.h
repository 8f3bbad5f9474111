// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Win32 backend: shows the form model with plain Windows controls and
// feeds the user's input, the tray's callbacks and the clock back into it.
// It adds no behaviour of its own.
//  - Forms: one native window per form and per control; a fixed-dialog form
//    is a dialog from an empty template, so the dialog manager does Tab, Enter
//    and Esc. Menu shortcuts are an accelerator table the form decides on.
//  - Clock: one SetTimer on a message-only window at the system's 1/64 s tick.
//  - Tray: the 88-byte record goes to the Win32Tray (tray.h), which widens it
//    for Shell_NotifyIcon and adds icons again when a task bar comes.
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
#include <memory>
#include <string>
#include <vector>

#include "toolkit/form.h"
#include "toolkit/desktop.h"
#include "toolkit/runtime.h"
#include "toolkit/win32/resources.h"
#include "toolkit/win32/tray.h"

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
    bool tray_icon_present() override;
    void popup_menu(Form& owner, Menu& menu) override;
    std::uint32_t icon_handle(IconId icon) override;
    IconId load_icon_resource(int id) override;
    void attach(Form& form) override;
    void detach(Form& form) override;
    void end() override;

    // The icons and brushes every window of the program uses.
    Resources& resources() { return resources_; }
    Win32Tray& tray() { return *tray_; }
    // A message box's type: the program's style, and how it comes forward
    // for its owner window (null for none) while active is the active window.
    static UINT box_type(int style, HWND owner, HWND active);

private:
    static LRESULT CALLBACK service_proc(HWND, UINT, WPARAM, LPARAM);
    bool translate(MSG& msg);
    void destroy_doomed();
    FormWindow* window_of(HWND root) const;
    FormWindow* window_of(const Form& form) const;

    HINSTANCE instance_;
    Resources resources_;
    WindowContext context_;  // handed to every form's windows
    Runtime* rt_ = nullptr;
    HWND service_ = nullptr;  // message-only: the clock and deferred clean-up
    ULONGLONG start_ = 0;
    std::unique_ptr<Win32Tray> tray_;
    bool ended_ = false;
    HACCEL accel_ = nullptr;
    std::vector<std::unique_ptr<FormWindow>> windows_;  // in the order loaded
    std::vector<std::unique_ptr<FormWindow>> doomed_;   // unloaded, destroyed when safe
    int modal_ = 0;  // a pop-up menu or message box is running its own loop
    bool menu_open_ = false;
};

}  // namespace tk::win32
