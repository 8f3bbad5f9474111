// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the windows and peers of the Qt desktop share, in one plain struct the
// desktop owns and hands to each when it is made, so that none reaches back
// into the desktop for it.
#include <QIcon>
#include <QMargins>

#include <cstdint>

#include "toolkit/control.h"

namespace tk::qt {

class QtTray;

struct BackendState {
    std::uint32_t next_handle = 0x00020010;
    QIcon window_icon, file_icon;
    // The window frame as last seen, for sizing windows before they show: a
    // plain frame until a real one is seen.
    QMargins frame{1, 22, 1, 1};
    // Laid-out font sizes times this: below 1 where the dialog font had to
    // shrink for the captions to fit.
    double font_scale = 1;
    // Told of menu entries that change: a tray menu that a host draws follows them.
    QtTray* tray = nullptr;

    std::uint32_t new_handle() { return next_handle++; }
    QIcon icon(IconId id) const {
        switch (id) {
            case IconId::Window: return window_icon;
            case IconId::File: return file_icon;
            case IconId::None: break;
        }
        return QIcon();
    }
};

}  // namespace tk::qt
