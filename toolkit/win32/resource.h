// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Resource numbers shared by app/taluvex.rc and the code.
#define IDI_TALUVEX_FILE 1    // the program file's icon (Explorer shows the first group)
#define IDI_TALUVEX_WINDOW 2  // the window and tray icon
