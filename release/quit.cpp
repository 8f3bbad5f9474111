// SPDX-License-Identifier: GPL-3.0-or-later
// The quit countdown after a release-and-quit run.
#include "toolkit/errmode.h"
#include "toolkit/text.h"
#include "ui/frmMain.h"

void frmMain::tmrQuit_Timer() {
    tk::resume_next(
        [&] { tmrQuit.set_tag_number(tmrQuit.tag_number() - 1); },
        [&] { lblStatus.set_caption("Done, quitting in " + tk::number_text(tmrQuit.tag_number() - 1) + "..."); },
        [&] {
            if (tmrQuit.tag_number() == 0) unload();
        });
}
