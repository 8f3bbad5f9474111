// SPDX-License-Identifier: GPL-3.0-or-later
// The baselines for scripts/bench-linux: a bare Qt Widgets window of the
// program's size with a tray icon, and nothing else unless asked:
//   --tick      the program's clock: a 1/64 s tick, re-armed as the program
//               re-arms it, doing nothing
//   --readings  that tick plus the 18 memory readings of one display refresh,
//               through the same OS-layer calls in the same order
//   --hidden    the window stays unshown, as the program's in the tray
#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "res/window32.xpm"
#include "toolkit/os/os.h"

namespace {

constexpr qint64 kTicksPerSecond = 64;

// Where the readings go, so that none is optimised away.
volatile std::uint64_t g_readings_sink;

// One refresh's readings, in the order the refresh takes them.
void eighteen_readings() {
    using F = tk::MemField;
    constexpr F TP = F::TotalPhys, AP = F::AvailPhys, TF = F::TotalPage, AF = F::AvailPage;
    static constexpr F order[18] = {TP, TP, AP, AP, TF, TF, AF, AF, TP, AP, TF, AF, AF, AP, TP, AP, TF, AF};
    std::uint64_t sum = 0;
    for (F f : order) sum += tk::os::memory_figure(f);
    g_readings_sink = sum;
}

bool has(int argc, char** argv, const char* option) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], option) == 0) return true;
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const bool readings = has(argc, argv, "--readings");
    const bool tick = readings || has(argc, argv, "--tick");
    const QIcon icon{QPixmap(window32_xpm)};
    QWidget window;
    window.setWindowTitle(QStringLiteral("bare"));
    window.setWindowIcon(icon);
    window.resize(272, 245);
    QSystemTrayIcon tray(icon);
    tray.show();
    if (!has(argc, argv, "--hidden")) window.show();

    QElapsedTimer clock;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &timer, [&] {
        if (readings) eighteen_readings();
        // The next tick on the 1/64 s grid, never a burst to catch up.
        const qint64 now = clock.elapsed();
        const qint64 next_tick = now * kTicksPerSecond / 1000 + 1;
        const qint64 due = (next_tick * 1000 + kTicksPerSecond - 1) / kTicksPerSecond;
        timer.start(static_cast<int>(std::max<qint64>(1, due - now)));
    });
    if (tick) {
        clock.start();
        timer.start(1);
    }
    return QApplication::exec();
}
