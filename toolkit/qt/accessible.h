// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What assistive technology reads from the drawn widgets: a label is static
// text named by its caption, a frame a grouping named by its caption whose
// first child is that caption as text, a bar a progress bar whose value is
// the figure of one label out of another's (its megabytes, not its drawn
// length), a picture a graphic named after the program, the main window a
// frame and a fixed dialog a dialog; a menu entry's key binding is
// "mnemonic;path;accelerator". Changes are told only when a caption really
// changes, which the model's setters already ensure; a status line's change
// is also shown as a notification, and a bar's value is never announced.
class QWidget;

namespace tk {
class Control;
}

namespace tk::qt {

// Once per process, before the first window.
void install_accessibility();
// A control's caption changed: its widget's name, and the value of any bar
// that reads its figure from it.
void announce_caption(QWidget* widget, const Control& control);

}  // namespace tk::qt
