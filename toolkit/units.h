// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The layout's unit and the placing arithmetic every backend shares.
#include <cmath>

namespace tk {

// Twips to the pixel at 96 dpi: the layout's boxes are in twips, and the
// backends that scale by themselves (Qt, headless at 96 dpi) take this.
inline constexpr double kTwipsPerPixel = 15.0;

// Where a box of `size` starts so that it sits in the middle of an area of
// `area` starting at `start`; odd leftovers go to the right and the bottom.
inline double centred_start(double start, double area, double size) {
    return start + std::floor((area - size) / 2);
}

}  // namespace tk
