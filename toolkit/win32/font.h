// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The LOGFONT of a control's font: its face as Windows should look it up, at
// its point size on a screen of the given DPI.
#include <windows.h>

#include "toolkit/control.h"

namespace tk::win32 {

LOGFONTW logfont_for(const Font& f, UINT dpi);

}  // namespace tk::win32
