// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What assistive technology reads from the drawn widgets: a label is static
// text named by its caption, a frame a grouping named by its caption, a bar
// a progress bar whose value is the figure of one label out of another's
// (its megabytes, not its drawn length), a picture a graphic named after the
// program. Changes are announced only when a caption really changes, which
// the model's setters already ensure.
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
