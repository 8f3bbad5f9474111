// SPDX-License-Identifier: GPL-3.0-or-later
// Release requests: the menu commands and the low-memory watch. None runs
// the release itself; each writes a mode into the release timer's tag and
// enables it, and the run follows on that timer's next tick.
#include "toolkit/errmode.h"
#include "ui/frmMain.h"

void frmMain::mnuDefragMemory1_Click() {
    MarkOldLevels();
    lblStatus.set_caption("Freeing up memory...");
    tmrDefragMemory.set_tag("1");
    tmrDefragMemory.set_enabled(true);
}

void frmMain::mnuDefragMemory2_Click() {
    MarkOldLevels();
    lblStatus.set_caption("Freeing up memory...");
    tmrDefragMemory.set_tag("4");
    tmrDefragMemory.set_enabled(true);
}

void frmMain::mnuDefragMemory3_Click() {
    const bool on = !mnuDefragMemory3.checked();
    mnuDefragMemory3.set_checked(on);
    tmrCheckIfMemoryFull.set_tag("0");
    tmrCheckIfMemoryFull.set_enabled(on);
}

void frmMain::tmrCheckIfMemoryFull_Timer() {
    bool check = false, low = false;
    tk::resume_next([&] { tmrCheckIfMemoryFull.set_tag_number(tmrCheckIfMemoryFull.tag_number() + 1); },
                    [&] { check = tmrCheckIfMemoryFull.tag_number() == 2; });
    if (!check) return;
    tk::resume_next([&] { tmrCheckIfMemoryFull.set_tag("0"); },
                    // A reading that fails asks for nothing.
                    [&] {
                        const std::int64_t total = memory.GetTotalPhysicalMB();
                        const std::int64_t avail = memory.GetAvailPhysicalMB();
                        low = static_cast<double>(total) / 100 * 5 > static_cast<double>(avail);
                    });
    if (!low) return;
    tk::resume_next([&] { MarkOldLevels(); }, [&] { lblStatus.set_caption("Out of memory, freeing..."); },
                    [&] { tmrDefragMemory.set_tag("1"); }, [&] { tmrDefragMemory.set_enabled(true); });
}
