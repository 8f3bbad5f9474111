// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/qt/menu_peer.h"

#include <QKeySequence>
#include <QShortcutEvent>

#include <algorithm>
#include <string_view>

#include "toolkit/form.h"
#include "toolkit/qt/tray.h"

namespace tk::qt {
namespace {

QKeySequence key_sequence(Shortcut s) {
    const std::string_view keys = shortcut_text(s);
    return QKeySequence(QString::fromLatin1(keys.data(), static_cast<qsizetype>(keys.size())));
}

// The first entry with a shortcut holds its key, as the form looks it up.
bool holds_key(const Menu& m) {
    if (m.shortcut() == Shortcut::None) return false;
    for (const Control* c : m.form().controls())
        if (c->kind() == Kind::Menu && static_cast<const Menu*>(c)->shortcut() == m.shortcut()) return c == &m;
    return false;
}

}  // namespace

// The key is the entry's own binding, so the menu shows it and assistive
// technology reads it; pressing it goes to the form's shortcut, which
// decides whether the entry can be chosen, and never triggers the action too.
class KeyAction : public QAction {
public:
    KeyAction(QObject* parent, Menu* menu) : QAction(parent), menu(menu) {}
    Menu* menu;

protected:
    bool event(QEvent* e) override {
        if (e->type() != QEvent::Shortcut) return QAction::event(e);
        if (menu && !static_cast<QShortcutEvent*>(e)->isAmbiguous())
            menu->form().user_shortcut(desktop_key(), menu->shortcut());
        return true;
    }
};

MenuPeer::MenuPeer(BackendState& s, Menu& m, QMenu* parent_menu, QWidget* bar)
    : state_(s), menu_(m), handle_(s.new_handle()) {
    QWidget* owner = parent_menu ? static_cast<QWidget*>(parent_menu) : bar;
    if (m.has_entries()) {
        submenu_ = new QMenu(owner);
        action_ = submenu_->menuAction();
    } else {
        if (holds_key(m)) {
            auto* keyed = new KeyAction(owner, &m);
            keyed->setShortcut(key_sequence(m.shortcut()));
            keyed->setShortcutContext(Qt::WindowShortcut);
            action_ = keyed;
        } else {
            action_ = new QAction(owner);
        }
        Menu* target = &m;
        triggered_ = QObject::connect(action_.data(), &QAction::triggered, action_.data(), [target] {
            // The model enforces enabled state; the check mark follows the model.
            target->form().user_choose(desktop_key(), *target);
            if (auto* peer = dynamic_cast<MenuPeer*>(target->peer(desktop_key()))) peer->sync_checked();
        });
    }
    apply_caption();
    action_->setEnabled(m.enabled());
    action_->setVisible(m.visible());
    sync_checked();
    owner->addAction(action_);
}

MenuPeer::~MenuPeer() {
    QObject::disconnect(triggered_);
    if (auto* keyed = dynamic_cast<KeyAction*>(action_.data())) keyed->menu = nullptr;
}

void MenuPeer::apply_caption() {
    action_->setSeparator(menu_.is_separator());
    // An entry holding its key is named by its caption alone; the menu draws
    // the key after it.
    const bool keyed = !action_->shortcut().isEmpty();
    action_->setText(menu_.is_separator() ? QString()
                     : keyed             ? QString::fromStdString(menu_.caption())
                                         : menu_text(menu_));
}

void MenuPeer::sync_checked() {
    if (!action_) return;
    // Only a checked entry is checkable, so unchecked ones show no empty box.
    action_->setCheckable(menu_.checked());
    action_->setChecked(menu_.checked());
}

void MenuPeer::changed(Prop what) {
    if (!action_) return;
    switch (what) {
        case Prop::Caption: apply_caption(); break;
        case Prop::Enabled: action_->setEnabled(menu_.enabled()); break;
        case Prop::Visible: action_->setVisible(menu_.visible()); break;
        case Prop::Checked: sync_checked(); break;
        default: return;
    }
    if (state_.tray) state_.tray->menu_changed(menu_);
}

QString menu_text(const Menu& m) { return QString::fromStdString(m.display_text()); }

void fill_popup(QMenu& popup, const Menu& menu, std::vector<std::pair<QAction*, Menu*>>& what) {
    for (Control* c : menu.children()) {
        if (c->kind() != Kind::Menu || !c->visible()) continue;
        auto* m = static_cast<Menu*>(c);
        if (m->is_separator()) {
            popup.addSeparator();
            continue;
        }
        if (m->has_entries()) {
            QMenu* sub = popup.addMenu(menu_text(*m));
            sub->setEnabled(m->enabled());
            fill_popup(*sub, *m, what);
            continue;
        }
        QAction* a = popup.addAction(menu_text(*m));
        a->setEnabled(m->enabled());
        a->setCheckable(m->checked());
        a->setChecked(m->checked());
        what.emplace_back(a, m);
    }
}

}  // namespace tk::qt
