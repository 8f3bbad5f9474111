// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/contrast.h"

#include <cmath>
#include <utility>

namespace tk {
namespace {

double channel(unsigned v) {
    const double c = v / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

unsigned red(Color c) { return (c >> 16) & 0xFF; }
unsigned green(Color c) { return (c >> 8) & 0xFF; }
unsigned blue(Color c) { return c & 0xFF; }

// The colour a share `t` of the way (out of 255) from c to white.
Color toward_white(Color c, unsigned t) {
    auto mix = [t](unsigned v) { return v + ((255 - v) * t + 127) / 255; };
    return rgb(mix(red(c)), mix(green(c)), mix(blue(c)));
}

}  // namespace

double luminance(Color c) {
    return 0.2126 * channel(red(c)) + 0.7152 * channel(green(c)) + 0.0722 * channel(blue(c));
}

double contrast_ratio(Color a, Color b) {
    double la = luminance(a), lb = luminance(b);
    if (la < lb) std::swap(la, lb);
    return (la + 0.05) / (lb + 0.05);
}

// Below this luminance white text has more contrast than black.
bool is_dark(Color background) { return luminance(background) < std::sqrt(1.05 * 0.05) - 0.05; }

Color readable_text(Color text, Color background) {
    text &= 0xFFFFFF;
    background &= 0xFFFFFF;
    if (!is_dark(background) || contrast_ratio(text, background) >= kMinTextContrast) return text;
    // Lightening only raises the contrast on a dark background: the least
    // share of white that reaches the goal, by bisection over 0..255.
    unsigned lo = 0, hi = 255;
    while (lo < hi) {
        const unsigned mid = (lo + hi) / 2;
        if (contrast_ratio(toward_white(text, mid), background) >= kMinTextContrast)
            hi = mid;
        else
            lo = mid + 1;
    }
    return toward_white(text, lo);
}

}  // namespace tk
