// SPDX-License-Identifier: GPL-3.0-or-later
// The main window as laid out: every control, menu and timer with its
// start-up state, and the wiring of events to handlers.
#include "ui/frmMain.h"

#include "about/frmAbout.h"

namespace {

using tk::rgb;
constexpr tk::Color kRed = rgb(255, 0, 0), kGreen = rgb(0, 128, 0), kMarker = rgb(0, 192, 0),
                    kBrightGreen = rgb(0, 255, 0);

void place(tk::Control& c, double left, double top, double width, double height, const char* caption = "") {
    c.set_bounds(left, top, width, height);
    c.set_caption(caption);
}

void bar_box(tk::PictureBox& c, double left, double top, double width, double height, tk::Color back,
             bool visible) {
    place(c, left, top, width, height);
    c.set_back_color(back);
    c.set_visible(visible);
}

}  // namespace

frmMain::frmMain(tk::Runtime& rt)
    : tk::Form(rt, "frmMain"),
      TrayIcon(*this, *this, "TrayIcon"),
      Frame2(*this, *this, "Frame2"),
      picUsedPagefile(*this, Frame2, "picUsedPagefile"),
      picOldPagefile(*this, picUsedPagefile, "picOldPagefile"),
      picAvailablePagefile(*this, picUsedPagefile, "picAvailablePagefile"),
      lblTotalPagefileShow(*this, Frame2, "lblTotalPagefileShow"),
      lblUsedPagefileShow(*this, Frame2, "lblUsedPagefileShow"),
      lblFreePagefileShow(*this, Frame2, "lblFreePagefileShow"),
      lblTotalPagefile(*this, Frame2, "lblTotalPagefile"),
      lblUsedPagefile(*this, Frame2, "lblUsedPagefile"),
      lblFreePagefile(*this, Frame2, "lblFreePagefile"),
      Frame1(*this, *this, "Frame1"),
      picUsedPhysical(*this, Frame1, "picUsedPhysical"),
      picOldPhysical(*this, picUsedPhysical, "picOldPhysical"),
      picAvailablePhysical(*this, picUsedPhysical, "picAvailablePhysical"),
      lblFreePhysicalShow(*this, Frame1, "lblFreePhysicalShow"),
      lblFreePhysical(*this, Frame1, "lblFreePhysical"),
      lblUsedPhysicalShow(*this, Frame1, "lblUsedPhysicalShow"),
      lblUsedPhysical(*this, Frame1, "lblUsedPhysical"),
      lblTotalPhysicalShow(*this, Frame1, "lblTotalPhysicalShow"),
      lblTotalPhysical(*this, Frame1, "lblTotalPhysical"),
      lblStatus(*this, *this, "lblStatus"),
      mnuFile(*this, *this, "mnuFile", "&Файл"),
      mnuDefragMemory1(*this, mnuFile, "mnuDefragMemory1", "Отчистить   ", tk::Shortcut::CtrlF),
      mnuDefragMemory2(*this, mnuFile, "mnuDefragMemory2", "Отчистить и выйти    ", tk::Shortcut::CtrlQ),
      mnuDefragMemory3(*this, mnuFile, "mnuDefragMemory3", "Чистить если заполнена", tk::Shortcut::CtrlU),
      mnuLine(*this, mnuFile, "mnuLine", "-"),
      mnuToTray(*this, mnuFile, "mnuToTray", "Свернуть в трей     ", tk::Shortcut::CtrlT),
      mnuLineb(*this, mnuFile, "mnuLineb", "-"),
      mnuExit(*this, mnuFile, "mnuExit", "Выход", tk::Shortcut::CtrlX),
      mnuHelp(*this, *this, "mnuHelp", "Помощ"),
      mnuAbout(*this, mnuHelp, "mnuAbout", "О программе   ", tk::Shortcut::F1),
      mnuPopUp(*this, *this, "mnuPopUp", "&Menu"),
      mnuShow(*this, mnuPopUp, "mnuShow", "&Hide"),
      mnuLinea(*this, mnuPopUp, "mnuLinea", "-"),
      mnuExit2(*this, mnuPopUp, "mnuExit2", "&Exit"),
      tmrUpdateMemoryInformation(*this, "tmrUpdateMemoryInformation", 1, true, ""),
      tmrDefragMemory(*this, "tmrDefragMemory", 1, false, "0"),
      tmrCheckIfMemoryFull(*this, "tmrCheckIfMemoryFull", 1000, false, "0"),
      tmrQuit(*this, "tmrQuit", 1000, false, "4"),
      tmrLoosePicOld(*this, "tmrLoosePicOld", 5000, false, ""),
      memory(rt.system()) {
    set_caption("Taluvex");
    set_client_size(4080, 3390);
    set_icon(tk::IconId::Window);

    place(TrayIcon, 3600, 2880, 375, 375);
    TrayIcon.set_visible(false);

    place(Frame2, 120, 1560, 3855, 1455, "Файл стр");
    bar_box(picUsedPagefile, 120, 1080, 3615, 255, kRed, true);
    picUsedPagefile.set_border(true);
    picUsedPagefile.set_value_labels(lblFreePagefileShow, lblTotalPagefileShow);
    bar_box(picOldPagefile, 840, 0, 2775, 255, kMarker, false);
    bar_box(picAvailablePagefile, 3720, 0, 135, 255, kBrightGreen, true);
    place(lblTotalPagefileShow, 600, 240, 3100, 255, "TOTAL");
    place(lblUsedPagefileShow, 600, 480, 3100, 255, "USED");
    lblUsedPagefileShow.set_fore_color(kRed);
    place(lblFreePagefileShow, 600, 720, 3100, 255, "FREE");
    lblFreePagefileShow.set_fore_color(kGreen);
    place(lblTotalPagefile, 120, 240, 495, 255, "Всего:");
    place(lblUsedPagefile, 120, 480, 495, 255, "Испо:");
    place(lblFreePagefile, 120, 720, 495, 255, "Своб:");

    place(Frame1, 120, 120, 3855, 1335, "Физ. память    ");
    bar_box(picUsedPhysical, 120, 960, 3615, 255, kRed, true);
    picUsedPhysical.set_border(true);
    picUsedPhysical.set_value_labels(lblFreePhysicalShow, lblTotalPhysicalShow);
    bar_box(picOldPhysical, 840, 0, 2775, 255, kMarker, false);
    bar_box(picAvailablePhysical, 3720, 0, 135, 255, kBrightGreen, true);
    place(lblFreePhysicalShow, 600, 720, 3100, 255, "FREE");
    lblFreePhysicalShow.set_fore_color(kGreen);
    place(lblFreePhysical, 120, 720, 495, 255, "Своб:");
    place(lblUsedPhysicalShow, 600, 480, 3100, 255, "USED");
    lblUsedPhysicalShow.set_fore_color(kRed);
    place(lblUsedPhysical, 120, 480, 495, 255, "Испо:");
    place(lblTotalPhysicalShow, 600, 240, 3100, 255, "TOTAL");
    place(lblTotalPhysical, 120, 240, 495, 255, "Всего:");

    place(lblStatus, 120, 3120, 4095, 255, "Готов");
    lblStatus.set_announced(true);

    mnuPopUp.set_visible(false);

    on_load = [this] { Form_Load(); };
    on_unload = [this](std::int16_t& cancel) { Form_Unload(cancel); };
    on_dbl_click = [this] { Form_DblClick(); };
    Frame1.on_dbl_click = [this] { Frame1_DblClick(); };
    Frame2.on_dbl_click = [this] { Frame2_DblClick(); };
    lblTotalPhysicalShow.on_dbl_click = [this] { lblTotalPhysicalShow_DblClick(); };
    lblUsedPhysicalShow.on_dbl_click = [this] { lblUsedPhysicalShow_DblClick(); };
    lblFreePhysicalShow.on_dbl_click = [this] { lblFreePhysicalShow_DblClick(); };
    lblTotalPagefileShow.on_dbl_click = [this] { lblTotalPagefileShow_DblClick(); };
    lblUsedPagefileShow.on_dbl_click = [this] { lblUsedPagefileShow_DblClick(); };
    lblFreePagefileShow.on_dbl_click = [this] { lblFreePagefileShow_DblClick(); };
    TrayIcon.on_mouse_move = [this](int button, int shift, double x, double y) {
        TrayIcon_MouseMove(static_cast<std::int16_t>(button), static_cast<std::int16_t>(shift), x, y);
    };

    mnuDefragMemory1.on_click = [this] { mnuDefragMemory1_Click(); };
    mnuDefragMemory2.on_click = [this] { mnuDefragMemory2_Click(); };
    mnuDefragMemory3.on_click = [this] { mnuDefragMemory3_Click(); };
    mnuToTray.on_click = [this] { mnuToTray_Click(); };
    mnuExit.on_click = [this] { mnuExit_Click(); };
    mnuAbout.on_click = [this] { mnuAbout_Click(); };
    mnuShow.on_click = [this] { mnuShow_Click(); };
    mnuExit2.on_click = [this] { mnuExit2_Click(); };

    tmrUpdateMemoryInformation.on_timer = [this] { tmrUpdateMemoryInformation_Timer(); };
    tmrDefragMemory.on_timer = [this] { tmrDefragMemory_Timer(); };
    tmrCheckIfMemoryFull.on_timer = [this] { tmrCheckIfMemoryFull_Timer(); };
    tmrQuit.on_timer = [this] { tmrQuit_Timer(); };
    tmrLoosePicOld.on_timer = [this] { tmrLoosePicOld_Timer(); };
}

frmMain::~frmMain() = default;

void frmMain::ShowAbout() {
    // A closed box is made afresh, as loading a window recreates its controls.
    if (!about_ || !about_->loaded()) about_ = std::make_unique<frmAbout>(runtime(), *this);
    about_->show();
}

// Without a tray icon to come back through, a hidden window would leave the
// program out of reach: it stays on the task bar, minimised, instead.
void frmMain::HideToTray() {
    if (desktop().tray_icon_present())
        hide();
    else
        minimize();
}

void frmMain::UnloadAbout() {
    if (about_) about_->unload();
}
