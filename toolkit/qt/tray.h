// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Qt desktop's tray: the 88-byte record's icon and tip go to a TrayIcon
// each (tray_icon.h), StatusNotifier where a watcher is on the bus, else
// XEmbed; its clicks come back as the form's tray messages. SNI hosts draw
// the exported menu themselves once the right-click step has set it up.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "toolkit/desktop.h"
#include "toolkit/qt/backend_state.h"
#include "toolkit/tray_state.h"

namespace tk::qt {

class TrayIcon;

class QtTray {
public:
    // control_by_handle finds the control a record's window handle names.
    QtTray(const BackendState& state, std::function<Control*(std::uint32_t)> control_by_handle);
    ~QtTray();
    QtTray(const QtTray&) = delete;
    QtTray& operator=(const QtTray&) = delete;

    std::uint32_t shell_notify_icon(std::uint32_t message, const NotifyIconData88& data);
    bool present() const;
    // The handles the program's two icons go by in a tray record.
    static std::uint32_t icon_handle(IconId icon);
    // A menu entry changed: a tray menu that a host draws follows it.
    void menu_changed(const Menu& m);
    // A pop-up of menu is asked for: an exported copy of it is brought up to
    // date. True when a host is about to show it itself.
    bool host_shows_popup(const Menu& menu);
    // The program ends: the icons leave the tray.
    void end();

private:
    // A click on hwnd's icon, as the mouse message it stands for.
    void deliver(std::uint32_t hwnd, std::uint32_t message);
    // The right-click step run for a host that is about to show the exported menu.
    void menu_step(std::uint32_t hwnd);
    // The icon of hwnd's form turned out not to be in a tray.
    void lost(std::uint32_t hwnd);

    const BackendState& state_;
    std::function<Control*(std::uint32_t)> control_by_handle_;
    bool ended_ = false;
    std::map<std::pair<std::uint32_t, std::uint32_t>, std::unique_ptr<TrayIcon>> icons_;
    std::map<std::pair<std::uint32_t, std::uint32_t>, TrayIconState> told_;  // what each icon was told
    std::vector<std::unique_ptr<TrayIcon>> retired_;  // deleted icons, kept until the end
    bool in_menu_step_ = false;
};

}  // namespace tk::qt
