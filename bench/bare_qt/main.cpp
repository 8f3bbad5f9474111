// The baseline for scripts/bench-linux: a bare Qt Widgets window of the same
// size with a tray icon, and nothing else. `--hidden` leaves the window unshown.
#include <QApplication>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QWidget>

#include <cstring>

#include "res/window32.xpm"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const QIcon icon{QPixmap(window32_xpm)};
    QWidget window;
    window.setWindowTitle(QStringLiteral("bare"));
    window.setWindowIcon(icon);
    window.resize(272, 245);
    QSystemTrayIcon tray(icon);
    tray.show();
    if (!(argc > 1 && std::strcmp(argv[1], "--hidden") == 0)) window.show();
    return QApplication::exec();
}
