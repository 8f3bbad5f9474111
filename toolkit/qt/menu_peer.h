// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Menus: the peer of a menu entry is a QAction in the window's menu bar or
// in its parent's QMenu; popup menus are filled from the model directly.
#include <QAction>
#include <QMenu>
#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <utility>
#include <vector>

#include "toolkit/menu.h"
#include "toolkit/qt/backend_state.h"

namespace tk::qt {


class MenuPeer : public Peer {
public:
    // parent_menu is the QMenu of the parent entry, or null for the menu bar.
    MenuPeer(BackendState& s, Menu& m, QMenu* parent_menu, QWidget* bar);
    ~MenuPeer() override;
    std::uint32_t handle() const override { return handle_; }
    void changed(Prop what) override;
    QMenu* submenu() const { return submenu_; }
    QAction* action() const { return action_; }
    void sync_checked();

private:
    void apply_caption();
    BackendState& state_;
    Menu& menu_;
    QPointer<QAction> action_;
    QPointer<QMenu> submenu_;
    QMetaObject::Connection triggered_;
    std::uint32_t handle_;
};

// A menu entry's text: the caption, then its shortcut after a tab.
QString menu_text(const Menu& m);
// Fills a QMenu from the model's entries under menu; what[i] is the Menu of
// each action made, for mapping the chosen action back.
void fill_popup(QMenu& popup, const Menu& menu, std::vector<std::pair<QAction*, Menu*>>& what);

}  // namespace tk::qt
