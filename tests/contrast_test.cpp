// SPDX-License-Identifier: GPL-3.0-or-later
// Fixed text colours on light and dark window backgrounds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "toolkit/contrast.h"

namespace {

using tk::Color;
using tk::rgb;

constexpr Color kBlack = rgb(0, 0, 0), kWhite = rgb(255, 255, 255), kGreen = rgb(0, 128, 0),
                kRed = rgb(255, 0, 0);

// Hue in degrees; -1 for a grey.
double hue(Color c) {
    const double r = ((c >> 16) & 0xFF) / 255.0, g = ((c >> 8) & 0xFF) / 255.0, b = (c & 0xFF) / 255.0;
    const double hi = std::max({r, g, b}), lo = std::min({r, g, b}), d = hi - lo;
    if (d == 0) return -1;
    double h = hi == r ? std::fmod((g - b) / d, 6.0) : hi == g ? (b - r) / d + 2 : (r - g) / d + 4;
    h *= 60;
    return h < 0 ? h + 360 : h;
}

}  // namespace

TEST(Contrast, LuminanceAndRatioMatchTheSrgbDefinition) {
    EXPECT_DOUBLE_EQ(tk::luminance(kBlack), 0);
    EXPECT_NEAR(tk::luminance(kWhite), 1, 1e-12);
    EXPECT_NEAR(tk::contrast_ratio(kBlack, kWhite), 21, 1e-9);
    EXPECT_NEAR(tk::contrast_ratio(kWhite, kBlack), 21, 1e-9);
    // Known figures: mid grey #777777 is 4.48:1 on white, pure red 4.0:1.
    EXPECT_NEAR(tk::contrast_ratio(rgb(0x77, 0x77, 0x77), kWhite), 4.48, 0.01);
    EXPECT_NEAR(tk::contrast_ratio(kRed, kWhite), 4.0, 0.01);
    EXPECT_TRUE(tk::is_dark(rgb(0x35, 0x35, 0x35)));
    EXPECT_TRUE(tk::is_dark(kBlack));
    EXPECT_FALSE(tk::is_dark(rgb(0xEF, 0xEF, 0xEF)));
    EXPECT_FALSE(tk::is_dark(rgb(0x80, 0x80, 0x80)));
}

TEST(Contrast, LightWindowsKeepTheLayoutsColoursExactly) {
    // Fusion's and the classic button face; green is just under 4.5:1 there
    // and still stays as laid out.
    for (Color back : {rgb(0xEF, 0xEF, 0xEF), rgb(0xF0, 0xF0, 0xF0), rgb(0xD4, 0xD0, 0xC8), kWhite})
        for (Color text : {kBlack, kGreen, kRed, rgb(0, 192, 0)}) EXPECT_EQ(tk::readable_text(text, back), text);
}

TEST(Contrast, DarkWindowsLightenLowContrastTextInItsOwnHue) {
    // Fusion dark, Adwaita dark, a near-black and black itself.
    for (Color back : {rgb(0x35, 0x35, 0x35), rgb(0x24, 0x24, 0x24), rgb(0x1E, 0x1E, 0x1E), kBlack}) {
        for (Color text : {kBlack, kGreen, kRed, rgb(0, 0, 128)}) {
            SCOPED_TRACE(testing::Message() << std::hex << "text " << text << " on " << back);
            const Color drawn = tk::readable_text(text, back);
            if (tk::contrast_ratio(text, back) >= tk::kMinTextContrast) {
                EXPECT_EQ(drawn, text);  // red on black reads already
                continue;
            }
            EXPECT_GE(tk::contrast_ratio(drawn, back), tk::kMinTextContrast);
            // No lighter than it has to be.
            EXPECT_LT(tk::contrast_ratio(drawn, back), 4.75);
            if (hue(text) < 0)
                EXPECT_EQ(hue(drawn), -1);  // black becomes a grey
            else
                EXPECT_NEAR(hue(drawn), hue(text), 2.0);
        }
        // Text that reads well already is left alone.
        for (Color text : {kWhite, rgb(0xFF, 0xFF, 0x80), rgb(0x80, 0xFF, 0x80)})
            EXPECT_EQ(tk::readable_text(text, back), text);
    }
}
