// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up: the tray icon first, then the command line picks one of three modes.
#include "toolkit/errmode.h"
#include "toolkit/text.h"
#include "ui/frmMain.h"

void frmMain::Form_Load() {
    std::string args;
    tk::resume_next([&] { ShowProgramInTray(); },
                    // The whole text, upper-cased, must equal a switch word.
                    [&] { args = tk::upper_ascii(system().argument_text()); });
    if (args == "/AUTO") {
        tk::resume_next([&] { HideToTray(); }, [&] { mnuShow.set_caption("&Show"); },
                        [&] { mnuDefragMemory3_Click(); });
    } else if (args == "/QUIT") {
        // Refresh before marking, so the markers hold the levels before the run.
        tk::resume_next([&] { mnuFile.set_enabled(false); }, [&] { mnuHelp.set_enabled(false); },
                        [&] { tmrUpdateMemoryInformation_Timer(); }, [&] { MarkOldLevels(); },
                        [&] { lblStatus.set_caption("Freeing up memory..."); },
                        [&] { tmrDefragMemory.set_tag("4"); }, [&] { tmrDefragMemory.set_enabled(true); });
    }
}
