// SPDX-License-Identifier: GPL-3.0-or-later
// A form's menus: one drop-down per menu that has entries, the menu bar of
// the top-level menus, filled again from the model whenever an entry changes.
#include "toolkit/win32/form_window.h"


#include "toolkit/menu.h"
#include "toolkit/os/windows/text.h"

namespace tk::win32 {
namespace {

// Removed, not deleted: the drop-downs are this window's to keep.
void empty_menu(HMENU h) {
    while (::GetMenuItemCount(h) > 0) ::RemoveMenu(h, 0, MF_BYPOSITION);
}

}  // namespace

void FormWindow::add_menu(Control& c, UINT id) {
    auto n = std::make_unique<Node>();
    n->control = &c;
    n->fw = this;
    n->kind = Kind::Menu;
    n->id = id;
    n->menu = ::CreatePopupMenu();
    by_control_[&c] = n.get();
    by_id_[n->id] = n.get();
    c.set_peer(desktop_key(), std::make_unique<WinPeer>(*n));
    nodes_.push_back(std::move(n));
}

void FormWindow::fill_menus() {
    for (auto& n : nodes_)
        if (n->kind == Kind::Menu && n->control && static_cast<const Menu&>(*n->control).has_entries())
            fill_menu(n->menu, *n->control);
    refill_bar();
}

void FormWindow::fill_menu(HMENU h, const Control& parent) {
    empty_menu(h);
    for (Control* c : parent.children()) {
        if (c->kind() != Kind::Menu || !c->visible()) continue;
        const Node* n = node_of(c);
        if (!n) continue;
        const auto& m = static_cast<const Menu&>(*c);
        if (m.is_separator()) {
            ::AppendMenuW(h, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        const std::wstring text = os::widen(m.display_text());
        const UINT flags =
            MF_STRING | (m.enabled() ? MF_ENABLED : MF_GRAYED) | (m.checked() ? MF_CHECKED : MF_UNCHECKED);
        if (m.has_entries())
            ::AppendMenuW(h, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(n->menu), text.c_str());
        else
            ::AppendMenuW(h, flags, n->id, text.c_str());
    }
}

void FormWindow::refill_bar() {
    if (!bar) bar = ::CreateMenu();
    fill_menu(bar, *form);
    HMENU want = ::GetMenuItemCount(bar) > 0 ? bar : nullptr;
    if (::GetMenu(hwnd) != want)
        ::SetMenu(hwnd, want);
    else if (want)
        ::DrawMenuBar(hwnd);
}

void FormWindow::menu_changed(const Node& n) {
    const Control* parent = n.control->parent();
    if (parent == form) {
        refill_bar();
    } else if (const Node* p = node_of(parent); p && p->menu) {
        fill_menu(p->menu, *parent);
    }
}

void FormWindow::destroy_menus() {
    // Menus are taken apart first so that no drop-down is destroyed twice.
    if (bar) empty_menu(bar);
    for (auto& n : nodes_)
        if (n->menu) empty_menu(n->menu);
    if (bar) ::DestroyMenu(bar);
    for (auto& n : nodes_)
        if (n->menu) ::DestroyMenu(n->menu);
}

}  // namespace tk::win32
