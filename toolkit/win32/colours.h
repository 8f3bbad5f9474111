// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The colours a label or a frame's caption is drawn in. Normally the layout's
// own colours hold exactly, with the system's for the ones it leaves to the
// toolkit. Under high contrast the user's system colours win over every fixed
// text colour: a theme chosen to be readable is not overruled by red on grey.
#include <windows.h>

#include "toolkit/control.h"

namespace tk::win32 {

struct SystemColours {
    COLORREF window_text, window, button_text, button_face;
};

struct TextColours {
    COLORREF text, background;
    Color fill;        // the model's colour to fill with, or kDefaultColor ...
    int system_fill;   // ... for this system colour
};

TextColours text_colours(Color fore, Color back, bool high_contrast, const SystemColours& sys);

// What the system says now.
SystemColours system_colours();
bool high_contrast_on();

}  // namespace tk::win32
