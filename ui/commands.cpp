// SPDX-License-Identifier: GPL-3.0-or-later
// Window and menu commands, and the unload that is the program's only end.
#include "about/frmAbout.h"
#include "toolkit/errmode.h"
#include "ui/frmMain.h"

// The caption of mnuShow alone records whether the window is meant to be shown.
void frmMain::mnuShow_Click() {
    std::string caption;
    tk::resume_next([&] { caption = mnuShow.caption(); });
    if (caption == "&Show") {
        tk::resume_next([&] { UnloadAbout(); }, [&] { mnuShow.set_caption("&Hide"); }, [&] { show(); });
    } else if (caption == "&Hide") {
        tk::resume_next([&] { UnloadAbout(); }, [&] { mnuShow.set_caption("&Show"); }, [&] { HideToTray(); });
    }
}

void frmMain::mnuToTray_Click() {
    tk::resume_next([&] { mnuShow.set_caption("&Hide"); }, [&] { mnuShow_Click(); });
}

void frmMain::mnuExit_Click() { unload(); }

void frmMain::mnuExit2_Click() { unload(); }

void frmMain::mnuAbout_Click() {
    tk::resume_next([&] { set_enabled(false); }, [&] { ShowAbout(); });
}

void frmMain::Form_Unload(std::int16_t& /*Cancel*/) {
    tk::resume_next([&] { UnloadAbout(); },
                    [&] { desktop().shell_notify_icon(tk::NIM_DELETE, TrayIconData); },
                    [&] { runtime().end(); });
}
