// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's icons, from the XPM pixel data in res/, at 16, 32, 48 and
// 64 pixels for trays and screens at any scale.
#include <QIcon>
#include <QImage>

namespace tk::qt::icons {

QIcon window();  // the window, tray and About picture
QIcon file();    // the program file's icon

// source scaled by the largest whole number that fits size x size, centred.
QImage at_size(const QImage& source, int size);

}  // namespace tk::qt::icons
