#pragma once
// The program's icons, from the XPM pixel data in res/.
#include <QIcon>

namespace tk::qt::icons {

QIcon window();  // the window, tray and About picture
QIcon file();    // the program file's icon, 16 and 32 pixels

}  // namespace tk::qt::icons
