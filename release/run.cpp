// SPDX-License-Identifier: GPL-3.0-or-later
// The release run: claim one large block, write all of it, give it back.
#include "toolkit/errmode.h"
#include "toolkit/text.h"
#include "ui/frmMain.h"

namespace {
constexpr double kQuitMode = 4;
}

void frmMain::tmrDefragMemory_Timer() {
    tk::BlankText sBuffer;  // the claim; given back when the run returns
    tk::catch_all(
        [&] {
            tmrDefragMemory.set_enabled(false);
            sBuffer = system().blank_text(kReleaseChars);
            bDefragDone = true;
            if (tmrDefragMemory.tag_number() != kQuitMode) lblStatus.set_caption("Ready");
            tmrLoosePicOld.set_enabled(true);
            if (tmrDefragMemory.tag_number() == kQuitMode) {
                mnuFile.set_enabled(false);
                mnuHelp.set_enabled(false);
                lblStatus.set_caption("Done, quitting in " + tk::number_text(tmrQuit.tag_number() - 1) + "...");
                tmrQuit.set_enabled(true);
            }
        },
        [&] {
            // Never keep the block while a box waits for the user.
            sBuffer = tk::BlankText();
            runtime().msgbox("Error defragmenting the memory!", tk::vbCritical, "Error");
            lblStatus.set_caption("Ready");
        });
}
