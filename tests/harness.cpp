// SPDX-License-Identifier: GPL-3.0-or-later
#include "harness.h"

#include <stdexcept>

namespace test {

frmMain& App::start() {
    main = StartProgram(rt);
    return *main;
}

tk::Control& App::control(std::string_view name) {
    tk::Control* c = main->find_control(name);
    if (!c) throw std::invalid_argument("no control " + std::string(name));
    return *c;
}

tk::Menu& App::menu(std::string_view name) {
    tk::Menu* m = main->find_menu(name);
    if (!m) throw std::invalid_argument("no menu " + std::string(name));
    return *m;
}

bool App::choose(std::string_view name) { return main->user_choose(key(), menu(name)); }

bool App::choose_in_popup(std::string_view name) { return main->user_choose(key(), menu(name), true); }

bool App::dbl_click(std::string_view name) { return main->user_dbl_click(key(), control(name)); }

void App::tray(std::uint32_t message) {
    main->user_tray_message(key(), main->TrayIcon, message);
}

}  // namespace test
