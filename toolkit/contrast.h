// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Text colours that stay readable on dark themes. The layout's fixed text
// colours (black, green, red) were chosen for a light window; on a dark one
// they are drawn lighter in the same hue until they stand out enough.
#include "toolkit/control.h"

namespace tk {

// Relative luminance of an sRGB colour, 0 (black) to 1 (white).
double luminance(Color c);
// Contrast ratio of two colours, 1 to 21.
double contrast_ratio(Color a, Color b);
// Whether light text reads better than dark text on this background.
bool is_dark(Color background);

// The least contrast a text colour must have with its background.
inline constexpr double kMinTextContrast = 4.5;

// The colour to draw `text` in on `background`: unchanged on a light
// background or where it already reads well; otherwise the same hue mixed
// with the least white that reaches kMinTextContrast.
Color readable_text(Color text, Color background);

}  // namespace tk
