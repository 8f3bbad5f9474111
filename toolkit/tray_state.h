// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a tray icon shows, as the requests sent about it leave it. Every
// backend merges a request into this one state, the way the shell does.
#include <array>
#include <cstdint>
#include <string>

#include "toolkit/desktop.h"

namespace tk {

struct TrayIconState {
    bool shown = false;          // added and not yet deleted
    std::uint32_t fields = 0;    // the NIF_* fields set since the add
    std::uint32_t message = 0;   // the callback message
    std::uint32_t icon = 0;      // the icon handle
    std::array<char, 64> tip{};  // as recorded: blank-padded, no terminator
};

// Applies one request (NIM_ADD, NIM_MODIFY, NIM_DELETE) to the icon. An add
// of an icon already shown, a change or delete of one not shown, and an
// unknown request fail and change nothing. An add or change takes only the
// fields its flags name; an add starts from nothing, a delete forgets all.
bool apply(TrayIconState& icon, std::uint32_t request, const NotifyIconData88& record);

// The record that adds the icon again as it stands: the fields set so far.
NotifyIconData88 record_of(const TrayIconState& icon, std::uint32_t hwnd, std::uint32_t id);

// The tip as shown: up to the first zero, without the padding blanks.
std::string tip_text(const TrayIconState& icon);

}  // namespace tk
