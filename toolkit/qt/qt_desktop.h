// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Linux desktop backend on Qt Widgets. It shows the form model and feeds
// the user's input back into it; all behaviour stays in the model.
//  - Forms: a FormWindow each, controls as drawn widgets kept in step by
//    their peers, menus as QActions; clicks and keys go to the model.
//  - Clock: one single-shot precise QTimer, armed for the runtime's next due
//    time; nothing wakes in between.
//  - Tray: the 88-byte record goes to the QtTray (tray.h): StatusNotifier
//    where a watcher is on the bus, else XEmbed.
//  - Wayland: a program cannot place its windows, so a box without a task-bar
//    entry (the About box) is a transient, window-modal dialog of the main
//    window; the tray host shows the pop-up menu.
//  - Fonts: Liberation Sans at 8 points stands in for the classic dialog face;
//    where a caption would not fit, the dialog font shrinks until all do
//    (dialog_font.h).
//  - Session end: SIGTERM unloads the main window as its close box does.
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/form.h"
#include "toolkit/qt/backend_state.h"
#include "toolkit/desktop.h"
#include "toolkit/runtime.h"

class QWidget;

namespace tk::qt {

class FormWindow;
class QtTray;

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

private:
    void tick();
    Control* control_by_handle(std::uint32_t hwnd) const;

    Runtime* rt_ = nullptr;
    QTimer tick_timer_;
    QElapsedTimer clock_;
    bool ended_ = false;
    std::vector<Form*> forms_;
    std::vector<QPointer<QWidget>> windows_;  // every window made, for the final clean-up
    BackendState state_;  // what the windows and peers share
    std::unique_ptr<QtTray> tray_;
};

}  // namespace tk::qt
