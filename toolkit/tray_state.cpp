// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/tray_state.h"

#include <cstring>

#include "toolkit/shell_codes.h"

namespace tk {

bool apply(TrayIconState& icon, std::uint32_t request, const NotifyIconData88& record) {
    switch (request) {
        case NIM_ADD:
            if (icon.shown) return false;
            icon = TrayIconState{};
            icon.shown = true;
            break;
        case NIM_MODIFY:
            if (!icon.shown) return false;
            break;
        case NIM_DELETE:
            if (!icon.shown) return false;
            icon = TrayIconState{};
            return true;
        default: return false;
    }
    const std::uint32_t named = record.uFlags & (NIF_MESSAGE | NIF_ICON | NIF_TIP);
    if (named & NIF_MESSAGE) icon.message = record.uCallbackMessage;
    if (named & NIF_ICON) icon.icon = record.hIcon;
    if (named & NIF_TIP) std::memcpy(icon.tip.data(), record.szTip, icon.tip.size());
    icon.fields |= named;
    return true;
}

NotifyIconData88 record_of(const TrayIconState& icon, std::uint32_t hwnd, std::uint32_t id) {
    NotifyIconData88 r{};
    r.cbSize = sizeof r;
    r.hWnd = hwnd;
    r.uID = id;
    r.uFlags = icon.fields;
    r.uCallbackMessage = icon.message;
    r.hIcon = icon.icon;
    std::memcpy(r.szTip, icon.tip.data(), sizeof r.szTip);
    return r;
}

std::string tip_text(const TrayIconState& icon) {
    std::size_t n = 0;
    while (n < icon.tip.size() && icon.tip[n] != '\0') ++n;
    while (n > 0 && icon.tip[n - 1] == ' ') --n;
    return std::string(icon.tip.data(), n);
}

}  // namespace tk
