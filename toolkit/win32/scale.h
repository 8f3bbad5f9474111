// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Twips, the layout's unit, to pixels at a window's DPI and back.
#include <windows.h>

#include "toolkit/units.h"

namespace tk::win32 {

using tk::kTwipsPerInch;
// Pixels: far beyond any screen, well inside what a window position may be.
inline constexpr long kFarPixels = 30000;

// To the nearest pixel, halves away from zero.
long twips_to_pixels(double twips, UINT dpi);
double pixels_to_twips(long pixels, UINT dpi);
// A control's box. Its edges are rounded, not its size, so that boxes that
// meet in twips meet in pixels; each edge stays within kFarPixels and the
// box is never inside out.
RECT pixel_box(double left, double top, double width, double height, UINT dpi);

}  // namespace tk::win32
