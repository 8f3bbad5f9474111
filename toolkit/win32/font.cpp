// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/win32/font.h"

#include <cmath>
#include <string>

#include "toolkit/os/windows/text.h"

namespace tk::win32 {

LOGFONTW logfont_for(const Font& f, UINT dpi) {
    // Empty: the dialog font at the size the layout was made for.
    std::string face = f.face.empty() ? std::string("MS Shell Dlg") : f.face;
    // Windows 10 and 11 give "MS Sans Serif" its bitmap font, drawn without
    // smoothing and stepped between its few sizes; its TrueType twin has the
    // same design and metrics and scales with the screen.
    if (face == "MS Sans Serif") face = "Microsoft Sans Serif";
    const double points = f.points > 0 ? f.points : 8.0;
    LOGFONTW lf{};
    lf.lfHeight = -std::lround(points * dpi / 72.0);
    lf.lfWeight = f.weight;
    // The text is Unicode; let the font mapper pick a face that has its letters.
    lf.lfCharSet = static_cast<BYTE>(f.charset ? f.charset : DEFAULT_CHARSET);
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    os::widen(face).copy(lf.lfFaceName, LF_FACESIZE - 1);
    return lf;
}

}  // namespace tk::win32
