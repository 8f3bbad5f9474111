// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/win32/colours.h"

namespace tk::win32 {
namespace {

COLORREF colorref(Color c) { return RGB((c >> 16) & 255, (c >> 8) & 255, c & 255); }

}  // namespace

TextColours text_colours(Color fore, Color back, bool high_contrast, const SystemColours& sys) {
    if (high_contrast) {
        // A control with a background of its own stands for content (window
        // colours); the rest sits on the dialog's face (button colours).
        if (back != kDefaultColor) return {sys.window_text, sys.window, kDefaultColor, COLOR_WINDOW};
        return {sys.button_text, sys.button_face, kDefaultColor, COLOR_BTNFACE};
    }
    return {fore == kDefaultColor ? sys.button_text : colorref(fore),
            back == kDefaultColor ? sys.button_face : colorref(back), back, COLOR_BTNFACE};
}

SystemColours system_colours() {
    return {::GetSysColor(COLOR_WINDOWTEXT), ::GetSysColor(COLOR_WINDOW), ::GetSysColor(COLOR_BTNTEXT),
            ::GetSysColor(COLOR_BTNFACE)};
}

bool high_contrast_on() {
    HIGHCONTRASTW hc{};
    hc.cbSize = sizeof hc;
    return ::SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof hc, &hc, 0) && (hc.dwFlags & HCF_HIGHCONTRASTON);
}

}  // namespace tk::win32
