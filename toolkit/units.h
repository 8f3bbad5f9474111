// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The layout's unit and the placing arithmetic every backend shares.
#include <cmath>

namespace tk {

// The layout's boxes are in twips. A pixel at 96 dpi is 15 of them, which is
// what the backends that scale by themselves (Qt) take for a logical pixel.
inline constexpr double kTwipsPerInch = 1440.0;
inline constexpr double kTwipsPerPixel = kTwipsPerInch / 96;

// Where a box of `size` starts so that it sits in the middle of an area of
// `area` starting at `start`; odd leftovers go to the right and the bottom.
inline double centred_start(double start, double area, double size) {
    return start + std::floor((area - size) / 2);
}

}  // namespace tk
