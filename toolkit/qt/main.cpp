// The Linux desktop program: Qt shows the form model and runs its clock.
#include <QApplication>

#include "app/program.h"
#include "toolkit/qt/icons.h"
#include "toolkit/qt/qt_platform.h"
#include "toolkit/runtime.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // A hidden window is the tray's normal state, not the program's end.
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setApplicationName(QStringLiteral("Taluvex"));
    QApplication::setDesktopFileName(QStringLiteral("taluvex"));
    QApplication::setWindowIcon(tk::qt::icons::window());

    tk::qt::QtPlatform platform(argc, argv);
    tk::Runtime rt(platform);
    platform.start(rt);
    auto main_window = StartProgram(rt);
    if (!rt.ended()) QApplication::exec();
    return 0;
}
