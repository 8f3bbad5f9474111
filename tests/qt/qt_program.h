// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program on the Qt desktop and this machine's system, as the Linux
// entry point runs it, and the widgets behind its controls.
#include <QAction>
#include <QWidget>

#include <memory>
#include <string>
#include <utility>

#include "app/program.h"
#include "toolkit/os/real_system.h"
#include "toolkit/qt/menu_peer.h"
#include "toolkit/qt/peers.h"
#include "toolkit/qt/qt_desktop.h"
#include "toolkit/runtime.h"
#include "ui/frmMain.h"

namespace test {

// The tests play the desktop's part where they deliver input or read peers.
inline tk::DesktopKey key() { return tk::qt::desktop_key(); }

struct QtProgram {
    enum class Start { Now, Later };
    tk::os::RealSystem system;
    tk::qt::QtDesktop desktop;
    tk::Runtime rt{system, desktop};
    std::unique_ptr<frmMain> w;

    explicit QtProgram(std::string arguments = {}, Start when = Start::Now) : system(std::move(arguments)) {
        desktop.start(rt);
        if (when == Start::Now) start();
    }
    void start() { w = StartProgram(rt); }
};

inline QWidget* widget(const tk::Control& c) { return static_cast<tk::qt::WidgetPeer*>(c.peer(key()))->widget(); }
inline QAction* action(const tk::Menu& m) { return static_cast<tk::qt::MenuPeer*>(m.peer(key()))->action(); }

}  // namespace test
