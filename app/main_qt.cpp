// SPDX-License-Identifier: GPL-3.0-or-later
// The Linux desktop program: Qt shows the form model and runs its clock.
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>

#include <memory>
#include <string>
#include <utility>

#include "app/program.h"
#include "toolkit/os/real_system.h"
#include "toolkit/qt/icons.h"
#include "toolkit/qt/qt_desktop.h"
#include "toolkit/runtime.h"

namespace {

// SIGTERM is the system ending the session; the handler only wakes the event
// loop, which then ends it as the runtime does for every backend.
int term_pipe[2] = {-1, -1};

void on_term(int) {
    const char byte = 1;
    [[maybe_unused]] ssize_t n = ::write(term_pipe[0], &byte, 1);
}

}  // namespace

int main(int argc, char** argv) {
    // First of all, before the display is even reached: a SIGTERM while the
    // program starts waits in the pipe until the event loop runs, which then
    // ends the session cleanly (the tray icon removed) instead of the signal
    // killing the program half-started.
    const bool term_caught = ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, term_pipe) == 0;
    if (term_caught) {
        struct sigaction sa {};
        sa.sa_handler = on_term;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_RESTART;
        ::sigaction(SIGTERM, &sa, nullptr);
    }
    // Read before QApplication, which takes its own options (-reverse,
    // -style ...) out of argv: the switch compares the whole text as given.
    std::string arguments = tk::os::argument_text(argc, argv);
    QApplication app(argc, argv);
    // A hidden window is the tray's normal state, not the program's end.
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setApplicationName(QStringLiteral("Taluvex"));
    QApplication::setDesktopFileName(QStringLiteral("taluvex"));
    QApplication::setWindowIcon(tk::qt::icons::window());

    tk::os::RealSystem system(std::move(arguments));
    tk::qt::QtDesktop desktop;
    tk::Runtime rt(system, desktop);
    desktop.start(rt);
    std::unique_ptr<QSocketNotifier> term;
    if (term_caught) {
        term = std::make_unique<QSocketNotifier>(term_pipe[1], QSocketNotifier::Read);
        QObject::connect(term.get(), &QSocketNotifier::activated, [&] {
            char byte;
            while (::read(term_pipe[1], &byte, 1) > 0) {
            }
            rt.end_session();
        });
    }
    std::unique_ptr<frmMain> main_form;
    rt.dispatch([&] { main_form = StartProgram(rt); });

    if (!rt.ended()) QApplication::exec();
    return 0;
}
