// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The menu shortcuts as accelerator commands. The accelerator only names the
// shortcut; the form finds the menu and decides whether it may run.
#include <windows.h>

#include "toolkit/menu.h"

namespace tk::win32 {

// Clear of menu and control ids, so the system never greys an accelerator on
// a menu's behalf.
inline constexpr UINT kShortcutCommand = 0x7F00;

inline Shortcut shortcut_of_command(UINT id) {
    if (id <= kShortcutCommand || id > kShortcutCommand + static_cast<UINT>(Shortcut::F1)) return Shortcut::None;
    return static_cast<Shortcut>(id - kShortcutCommand);
}

inline HACCEL create_shortcut_table() {
    auto cmd = [](Shortcut s) { return static_cast<WORD>(kShortcutCommand + static_cast<UINT>(s)); };
    ACCEL keys[] = {
        {FVIRTKEY | FCONTROL, 'F', cmd(Shortcut::CtrlF)}, {FVIRTKEY | FCONTROL, 'Q', cmd(Shortcut::CtrlQ)},
        {FVIRTKEY | FCONTROL, 'U', cmd(Shortcut::CtrlU)}, {FVIRTKEY | FCONTROL, 'T', cmd(Shortcut::CtrlT)},
        {FVIRTKEY | FCONTROL, 'X', cmd(Shortcut::CtrlX)}, {FVIRTKEY, VK_F1, cmd(Shortcut::F1)},
    };
    return ::CreateAcceleratorTableW(keys, static_cast<int>(sizeof keys / sizeof keys[0]));
}

}  // namespace tk::win32
