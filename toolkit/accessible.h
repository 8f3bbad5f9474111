// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a screen reader is told about the controls the program draws itself,
// the same on every desktop: a bar reads as a progress bar named after its
// panel, valued at its figure label's megabytes out of its total label's; a
// picture in sight reads as a graphic named after the program. A hidden
// picture (the box the tray calls back) is nothing anyone sees. A status
// line's changes are told even away from the focus; a figure's are not: it
// is read when asked.
#include <cstdint>
#include <string>
#include <vector>

#include "toolkit/control.h"

namespace tk {

enum class AccessibleRole { Other, Bar, Picture };

AccessibleRole accessible_role(const Control& c);
// A bar's panel caption as read out, the program's name for a picture, and
// nothing for other controls.
std::string accessible_name(const Control& c, const std::string& program_name);
// A bar's figure as shown ("23205 MB"); empty before the first one is shown.
std::string accessible_value(const Control& c);
// A bar's value as read out, in the figures it is drawn from: "23614 MB free
// of 24105 MB"; empty before the first figures are shown.
std::string accessible_value_text(const Control& c);
// A bar's range: its free megabytes, from 0 to the total; all 0 for others.
struct AccessibleRange {
    std::int64_t value = 0, minimum = 0, maximum = 0;
};
AccessibleRange accessible_range(const Control& c);
// Whether a change of the control's caption is announced wherever the focus
// is (the status line).
bool accessible_announced(const Control& c);
// The whole megabytes a figure label shows; 0 for a placeholder or no label.
std::int64_t figure_megabytes(const Control* figure_label);
// The order a screen reader goes through a container's controls: where none
// of them takes the focus, by rows, top to bottom and each row left to right
// (a name before its figure, a panel's bar after its figures); otherwise the
// tab order, which the keyboard follows anyway.
std::vector<Control*> reading_order(const std::vector<Control*>& controls);
// The boxes inside a bar: drawn, and read as part of the bar.
bool drawn_only(const Control& c);
// A caption as read out: "&Система" is "Система", "&&" an ampersand, and the
// blanks that pad it in the layout are not read.
std::string spoken(const std::string& caption);

}  // namespace tk
