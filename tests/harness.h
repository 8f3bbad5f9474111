// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Drives the real windows on the headless backend: act by name, advance the
// virtual clock, read back what the scripted system and desktop recorded.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "about/frmAbout.h"
#include "app/program.h"
#include "toolkit/headless/headless_desktop.h"
#include "toolkit/headless/headless_system.h"
#include "toolkit/runtime.h"
#include "ui/frmMain.h"

namespace test {

// The harness plays the desktop's part: it delivers input and reads peers.
inline tk::DesktopKey key() { return tk::headless::desktop_key(); }

inline constexpr std::uint64_t MB = 1ull << 20;

struct App {
    tk::headless::HeadlessSystem os;
    tk::headless::HeadlessDesktop desk;
    tk::Runtime rt{os, desk};
    std::unique_ptr<frmMain> main;
    std::vector<std::string> log;  // the notable calls of both, in order

    App() {
        os.bind(rt.scheduler());
        os.log = &log;
        desk.log = &log;
    }
    explicit App(std::string arguments) : App() { os.arguments = std::move(arguments); }

    // Creates and loads the start-up window, as the program's start does.
    frmMain& start();
    frmMain& w() { return *main; }

    void advance(std::int64_t ms) { rt.scheduler().advance(ms); }
    std::int64_t now() { return rt.scheduler().now(); }

    tk::Control& control(std::string_view name);
    tk::Menu& menu(std::string_view name);
    // A menu entry chosen from the menu bar; false when it could not be chosen.
    bool choose(std::string_view name);
    // An entry chosen from the tray pop-up menu while it is open.
    bool choose_in_popup(std::string_view name);
    bool dbl_click(std::string_view name);
    bool press(tk::Shortcut s) { return main->user_shortcut(key(), s); }
    // A tray mouse message as the layer delivers it: X = message number x 15.
    void tray(std::uint32_t message);
    void close() { main->user_close(key()); }

    frmAbout* about() { return main->About(); }
    bool about_open() { return about() && about()->loaded(); }
    const std::string& status() { return main->lblStatus.caption(); }
};

}  // namespace test
