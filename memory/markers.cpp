// SPDX-License-Identifier: GPL-3.0-or-later
// Old-level markers, and the double-clicks that hide the window.
#include "toolkit/errmode.h"
#include "ui/frmMain.h"

namespace {

// The level a free bar shows: nothing while it is hidden. (With no swap at
// all the hidden bar is still full length, and a copy of that length would
// reveal a marker over the whole empty panel.)
double ShownLength(const tk::Control& bar) { return bar.visible() ? bar.width() : 0; }

}  // namespace

void frmMain::MarkOldLevels() {
    tk::resume_next([&] { picOldPhysical.set_visible(false); },
                    [&] { picOldPhysical.set_width(ShownLength(picAvailablePhysical)); },
                    [&] { picOldPhysical.set_left(picUsedPhysical.width() - picOldPhysical.width()); },
                    [&] { picOldPagefile.set_visible(false); },
                    [&] { picOldPagefile.set_width(ShownLength(picAvailablePagefile)); },
                    [&] { picOldPagefile.set_left(picUsedPagefile.width() - picOldPagefile.width()); });
}

void frmMain::tmrLoosePicOld_Timer() {
    tk::resume_next([&] { tmrLoosePicOld.set_enabled(false); }, [&] { picOldPhysical.set_visible(false); },
                    [&] { picOldPagefile.set_visible(false); });
}

// Only the window goes: the tray entry still reads "&Hide", as the user left it.
void frmMain::Form_DblClick() {
    tk::resume_next([&] { HideToTray(); });
}

void frmMain::Frame1_DblClick() { Form_DblClick(); }
void frmMain::Frame2_DblClick() { Form_DblClick(); }
void frmMain::lblTotalPhysicalShow_DblClick() { Form_DblClick(); }
void frmMain::lblUsedPhysicalShow_DblClick() { Form_DblClick(); }
void frmMain::lblFreePhysicalShow_DblClick() { Form_DblClick(); }
void frmMain::lblTotalPagefileShow_DblClick() { Form_DblClick(); }
void frmMain::lblUsedPagefileShow_DblClick() { Form_DblClick(); }
void frmMain::lblFreePagefileShow_DblClick() { Form_DblClick(); }
