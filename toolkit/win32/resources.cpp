// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/win32/resources.h"

#include "toolkit/win32/resource.h"

namespace tk::win32 {
namespace {

int resource_of(IconId id) {
    switch (id) {
        case IconId::Window: return IDI_TALUVEX_WINDOW;
        case IconId::File: return IDI_TALUVEX_FILE;
        case IconId::None: break;
    }
    return 0;
}

std::uint32_t low32(const void* handle) {
    return static_cast<std::uint32_t>(reinterpret_cast<UINT_PTR>(handle));
}

}  // namespace

Resources::~Resources() {
    for (auto& [key, icon] : icons_) ::DestroyIcon(icon);
    for (auto& [colour, brush] : brushes_) ::DeleteObject(brush);
}

HICON Resources::icon(IconId id, int size) {
    const int res = resource_of(id);
    if (!res) return nullptr;
    const auto key = std::make_pair(id, size);
    if (auto it = icons_.find(key); it != icons_.end()) return it->second;
    auto* icon = static_cast<HICON>(
        ::LoadImageW(instance_, MAKEINTRESOURCEW(res), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
    if (!icon) return nullptr;
    icons_[key] = icon;
    icon_ids_[low32(icon)] = id;
    return icon;
}

IconId Resources::picture_of(std::uint32_t handle) const {
    auto it = icon_ids_.find(handle);
    return it != icon_ids_.end() ? it->second : IconId::None;
}

bool Resources::has_icon_resource(int id, IconId& picture) const {
    for (IconId icon : {IconId::File, IconId::Window}) {
        if (resource_of(icon) == id && ::FindResourceW(instance_, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(14))) {
            picture = icon;
            return true;
        }
    }
    return false;
}

HBRUSH Resources::brush(Color c, int sys_color) {
    if (c == kDefaultColor) return ::GetSysColorBrush(sys_color);
    if (auto it = brushes_.find(c); it != brushes_.end()) return it->second;
    HBRUSH b = ::CreateSolidBrush(RGB((c >> 16) & 255, (c >> 8) & 255, c & 255));
    brushes_[c] = b;
    return b;
}

}  // namespace tk::win32
