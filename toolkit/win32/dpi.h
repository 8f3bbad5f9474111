// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Per-monitor DPI services where the system has them (Windows 10 1607 and
// later); older systems get the screen's one DPI.
#include <windows.h>

namespace tk::win32 {

UINT dpi_of(HWND hwnd);
// The DPI of the monitor the window is on, which a hidden window that missed
// a change of scale still reads rightly.
UINT monitor_dpi_of(HWND hwnd);
int metric_for_dpi(int index, UINT dpi);
void adjust_for_dpi(RECT& r, DWORD style, bool menu, DWORD ex_style, UINT dpi);
// Dialogs are laid out by this backend, not rescaled by the dialog manager.
void keep_dialog_layout(HWND dialog);

}  // namespace tk::win32
