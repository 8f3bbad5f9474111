// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window: two panels of figures and bars, a status line, the menus,
// the hidden tray target and the five timers that drive the program. Its
// handlers live beside the subsystem that owns them (memory/, release/, ui/).
#include <cstdint>
#include <memory>
#include <string>

#include "memory/MemoryRelease.h"
#include "toolkit/control.h"
#include "toolkit/form.h"
#include "toolkit/menu.h"
#include "toolkit/desktop.h"
#include "toolkit/system.h"
#include "toolkit/runtime.h"
#include "toolkit/timer.h"

class frmAbout;

class frmMain : public tk::Form {
public:
    explicit frmMain(tk::Runtime& rt);
    ~frmMain() override;

    // Controls, parents before children, in their creation order.
    tk::PictureBox TrayIcon;
    tk::Frame Frame2;
    tk::PictureBox picUsedPagefile;
    tk::PictureBox picOldPagefile;
    tk::PictureBox picAvailablePagefile;
    tk::Label lblTotalPagefileShow;
    tk::Label lblUsedPagefileShow;
    tk::Label lblFreePagefileShow;
    tk::Label lblTotalPagefile;
    tk::Label lblUsedPagefile;
    tk::Label lblFreePagefile;
    tk::Frame Frame1;
    tk::PictureBox picUsedPhysical;
    tk::PictureBox picOldPhysical;
    tk::PictureBox picAvailablePhysical;
    tk::Label lblFreePhysicalShow;
    tk::Label lblFreePhysical;
    tk::Label lblUsedPhysicalShow;
    tk::Label lblUsedPhysical;
    tk::Label lblTotalPhysicalShow;
    tk::Label lblTotalPhysical;
    tk::Label lblStatus;

    tk::Menu mnuFile;
    tk::Menu mnuDefragMemory1;
    tk::Menu mnuDefragMemory2;
    tk::Menu mnuDefragMemory3;
    tk::Menu mnuLine;
    tk::Menu mnuToTray;
    tk::Menu mnuLineb;
    tk::Menu mnuExit;
    tk::Menu mnuHelp;
    tk::Menu mnuAbout;
    tk::Menu mnuPopUp;
    tk::Menu mnuShow;
    tk::Menu mnuLinea;
    tk::Menu mnuExit2;

    tk::Timer tmrUpdateMemoryInformation;
    tk::Timer tmrDefragMemory;
    tk::Timer tmrCheckIfMemoryFull;
    tk::Timer tmrQuit;
    tk::Timer tmrLoosePicOld;

    MemoryRelease memory;
    tk::NotifyIconData88 TrayIconData{};
    bool bDefragDone = false;
    // Bar length units per megabyte: whole up to a 2048 MB total, fractional above.
    double lngWidthPerMB = 0;

    // The About box, loaded on demand; null while it was never opened.
    frmAbout* About() const { return about_.get(); }

    // start-up (app/)
    void Form_Load();
    // tray (ui/)
    void ShowProgramInTray();
    void ShowIconInTray(std::int16_t& NroIcon, std::string& Msg);
    void TrayIcon_MouseMove(std::int16_t Button, std::int16_t Shift, double X, double Y);
    // window commands (ui/)
    void mnuShow_Click();
    void mnuToTray_Click();
    void mnuExit_Click();
    void mnuExit2_Click();
    void mnuAbout_Click();
    void Form_Unload(std::int16_t& Cancel);
    // display (memory/)
    void tmrUpdateMemoryInformation_Timer();
    void MarkOldLevels();
    void tmrLoosePicOld_Timer();
    void Form_DblClick();
    void Frame1_DblClick();
    void Frame2_DblClick();
    void lblTotalPhysicalShow_DblClick();
    void lblUsedPhysicalShow_DblClick();
    void lblFreePhysicalShow_DblClick();
    void lblTotalPagefileShow_DblClick();
    void lblUsedPagefileShow_DblClick();
    void lblFreePagefileShow_DblClick();
    // release (release/)
    void tmrDefragMemory_Timer();
    void mnuDefragMemory1_Click();
    void mnuDefragMemory2_Click();
    void mnuDefragMemory3_Click();
    void tmrCheckIfMemoryFull_Timer();
    void tmrQuit_Timer();

    // The design length of the bar boxes.
    static constexpr double kBarLength = 3615;
    // Blank characters claimed by one release run (two bytes each).
    static constexpr std::size_t kReleaseChars = 80'000'000;

private:
    void HideToTray();
    void ShowAbout();
    void UnloadAbout();
    tk::System& system() const { return runtime().system(); }
    tk::Desktop& desktop() const { return runtime().desktop(); }
    std::unique_ptr<frmAbout> about_;
};
