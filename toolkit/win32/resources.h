// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's icons at each size asked for, and the brushes of its colours:
// made on first use, kept until the desktop goes, shared by every window.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <utility>

#include "toolkit/control.h"

namespace tk::win32 {

class Win32Tray;

class Resources {
public:
    explicit Resources(HINSTANCE instance) : instance_(instance) {}
    ~Resources();
    Resources(const Resources&) = delete;
    Resources& operator=(const Resources&) = delete;

    HINSTANCE instance() const { return instance_; }
    // One of the program's pictures at size x size pixels, or null.
    HICON icon(IconId id, int size);
    // Which picture a handle value handed out by icon() shows; None for others.
    IconId picture_of(std::uint32_t handle) const;
    // Whether the program has the icon resource id, and which picture it is.
    bool has_icon_resource(int id, IconId& picture) const;
    // A colour's brush; the system colour's own for the default colour.
    HBRUSH brush(Color c, int sys_color);

private:
    HINSTANCE instance_;
    std::map<std::pair<IconId, int>, HICON> icons_;
    std::map<std::uint32_t, IconId> icon_ids_;
    std::map<Color, HBRUSH> brushes_;
};

// What a form's windows need from the desktop, handed to them when made.
struct WindowContext {
    Resources& resources;
    // The tray: its callbacks, a new task bar, a new scale.
    Win32Tray* tray = nullptr;
    // The session ends (WM_ENDSESSION).
    std::function<void()> end_session;
};

}  // namespace tk::win32
