// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The tray's and the registry's numbers, as the program and the system's
// interface define them. A Windows file gets the same names from
// <windows.h> as macros, so it takes them from there and never includes this.
// The tray requests (NIM_*) are in desktop.h, beside the tray record.
#include <cstdint>

#if defined(WM_MOUSEMOVE) || defined(NIF_ICON) || defined(ERROR_MORE_DATA)
#error "the system's own definitions are in scope: use those"
#endif

namespace tk {

// What a tray record says it carries (its uFlags).
inline constexpr std::uint32_t NIF_MESSAGE = 1, NIF_ICON = 2, NIF_TIP = 4;

// The mouse messages a tray icon reports.
inline constexpr std::uint32_t WM_MOUSEMOVE = 0x200, WM_LBUTTONDBLCLK = 0x203, WM_RBUTTONUP = 0x205;

// A registry call's answers other than 0, success.
inline constexpr std::int32_t ERROR_FILE_NOT_FOUND = 2, ERROR_INVALID_HANDLE = 6, ERROR_MORE_DATA = 234;

}  // namespace tk
