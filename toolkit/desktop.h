// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the program asks of the desktop: message boxes, the tray, icons,
// pop-up menus, the forms' real windows and the end. Each backend implements
// it: headless (scripted, for tests), Qt (Linux desktop), Win32.
#include <cstdint>
#include <exception>
#include <string>

#include "toolkit/control.h"

namespace tk {

class Form;
class Menu;

// The tray record as the program keeps it: 88 bytes, single-byte tip of 64
// characters, handles 32-bit significant. Little-endian, no gaps.
struct NotifyIconData88 {
    std::uint32_t cbSize;
    std::uint32_t hWnd;
    std::uint32_t uID;
    std::uint32_t uFlags;
    std::uint32_t uCallbackMessage;
    std::uint32_t hIcon;
    char szTip[64];
};
static_assert(sizeof(NotifyIconData88) == 88, "the tray record is exactly 88 bytes");

inline constexpr std::uint32_t NIM_ADD = 0, NIM_MODIFY = 1, NIM_DELETE = 2;

class Desktop {
public:
    virtual ~Desktop() = default;

    // Modal; returns when closed. The caller holds the scheduler around it.
    // owner is the form the box belongs to (Runtime::box_owner), or null.
    virtual int message_box(const std::string& prompt, int style, const std::string& title, Form* owner) = 0;
    virtual std::uint32_t shell_notify_icon(std::uint32_t message, const NotifyIconData88& data) = 0;
    // Whether the program's icon is in a tray now, where the user can reach it.
    virtual bool tray_icon_present() { return true; }
    // Opens menu as a pop-up at the mouse; returns when it closes, after the
    // chosen entry's handler has run.
    virtual void popup_menu(Form& owner, Menu& menu) = 0;
    virtual std::uint32_t icon_handle(IconId icon) = 0;
    // An icon resource of the program by number; tk::Error when there is none.
    virtual IconId load_icon_resource(int id) = 0;

    // Peers: a form's controls get their real widgets when it loads and lose
    // them when it unloads.
    virtual void attach(Form& form) = 0;
    virtual void detach(Form& form) = 0;
    // The program ends at once: nothing runs afterwards.
    virtual void end() = 0;
    // An error that a handler without an error mode let through, before the
    // runtime reports it and ends the program; a backend may log it.
    virtual void unhandled_error(const std::exception& /*e*/) {}
};

}  // namespace tk
