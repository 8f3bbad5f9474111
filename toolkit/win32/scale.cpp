// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/win32/scale.h"

#include <algorithm>
#include <cmath>

namespace tk::win32 {
namespace {

long clamp_far(long v) { return std::clamp(v, -kFarPixels, kFarPixels); }

}  // namespace

long twips_to_pixels(double twips, UINT dpi) { return std::lround(twips * dpi / kTwipsPerInch); }

double pixels_to_twips(long pixels, UINT dpi) { return pixels * (kTwipsPerInch / dpi); }

RECT pixel_box(double left, double top, double width, double height, UINT dpi) {
    const long x0 = clamp_far(twips_to_pixels(left, dpi)), y0 = clamp_far(twips_to_pixels(top, dpi));
    const long x1 = clamp_far(twips_to_pixels(left + width, dpi));
    const long y1 = clamp_far(twips_to_pixels(top + height, dpi));
    return RECT{x0, y0, std::max(x0, x1), std::max(y0, y1)};
}

}  // namespace tk::win32
