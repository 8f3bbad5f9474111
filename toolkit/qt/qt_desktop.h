// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Linux desktop backend on Qt Widgets. It shows the form model and feeds
// the user's input back into it; all behaviour stays in the model.
//  - Forms: a FormWindow each, controls as drawn widgets kept in step by
//    their peers, menus as QActions; clicks and keys go to the model.
//  - Clock: one single-shot precise QTimer, armed for the runtime's next due
//    time; nothing wakes in between.
//  - Tray: the 88-byte record's icon and tip go to a TrayIcon: StatusNotifier
//    where a watcher is on the bus, else XEmbed. SNI hosts send single
//    activations, paired here into double-clicks, and draw the exported menu
//    themselves once the right-click step has set it up.
//  - Wayland: a program cannot place its windows, so a box without a task-bar
//    entry (the About box) is a transient, window-modal dialog of the main
//    window; the tray host shows the pop-up menu.
//  - Fonts: Liberation Sans at 8 points stands in for the classic dialog face;
//    where a caption would not fit, the dialog font shrinks until all do.
//  - Session end: SIGTERM unloads the main window as its close box does.
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "toolkit/form.h"
#include "toolkit/qt/backend_state.h"
#include "toolkit/desktop.h"
#include "toolkit/runtime.h"
#include "toolkit/tray_state.h"

class QWidget;

namespace tk::qt {

class FormWindow;
class TrayIcon;

class QtDesktop : public Desktop {
public:
    QtDesktop();
    ~QtDesktop() override;
    QtDesktop(const QtDesktop&) = delete;
    QtDesktop& operator=(const QtDesktop&) = delete;

    // Starts the clock that drives the runtime's timers.
    void start(Runtime& rt);

    int message_box(const std::string& prompt, int style, const std::string& title, Form* owner) override;
    std::uint32_t shell_notify_icon(std::uint32_t message, const NotifyIconData88& data) override;
    bool tray_icon_present() override;
    void popup_menu(Form& owner, Menu& menu) override;
    std::uint32_t icon_handle(IconId icon) override;
    IconId load_icon_resource(int id) override;
    void attach(Form& form) override;
    void detach(Form& form) override;
    void end() override;
    void unhandled_error(const std::exception& e) override;

    // A menu entry changed: a tray menu that a host draws follows it.
    void menu_changed(const Menu& m);

private:
    void fit_dialog_font(const Form& form);
    void tick();
    void tray_message(std::uint32_t hwnd, std::uint32_t message);
    // The right-click step run for a host that is about to show the exported menu.
    void tray_menu_step(std::uint32_t hwnd);
    // The icon of hwnd's form turned out not to be in a tray.
    void tray_lost(std::uint32_t hwnd);
    Control* control_by_handle(std::uint32_t hwnd) const;

    Runtime* rt_ = nullptr;
    QTimer tick_timer_;
    QElapsedTimer clock_;
    bool ended_ = false;
    std::vector<Form*> forms_;
    std::vector<QPointer<QWidget>> windows_;  // every window made, for the final clean-up
    std::map<std::pair<std::uint32_t, std::uint32_t>, std::unique_ptr<TrayIcon>> tray_;
    std::map<std::pair<std::uint32_t, std::uint32_t>, TrayIconState> tray_state_;  // what each icon was told
    std::vector<std::unique_ptr<TrayIcon>> retired_;  // deleted icons, kept until the end
    bool in_menu_step_ = false;
    BackendState state_;  // what the windows and peers share
};

}  // namespace tk::qt
