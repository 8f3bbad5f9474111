// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/qt/tray.h"

#include <algorithm>
#include <string>

#include "toolkit/form.h"
#include "toolkit/qt/tray_icon.h"
#include "toolkit/shell_codes.h"

namespace tk::qt {

namespace {

constexpr std::uint32_t kWindowIconHandle = 0x7A110001, kFileIconHandle = 0x7A110002;

// A form's pop-up menus are its hidden top-level menus; the tray's is the
// first of them, and hosts that draw it read it before any click.
Menu* popup_menu_of(Form& form) {
    for (Control* c : form.children()) {
        if (c->kind() != Kind::Menu || c->visible()) continue;
        if (auto* m = static_cast<Menu*>(c); m->has_entries()) return m;
    }
    return nullptr;
}

}  // namespace

QtTray::QtTray(const BackendState& state, std::function<Control*(std::uint32_t)> control_by_handle)
    : state_(state), control_by_handle_(std::move(control_by_handle)) {}

QtTray::~QtTray() = default;

std::uint32_t QtTray::shell_notify_icon(std::uint32_t message, const NotifyIconData88& data) {
    const auto key = std::make_pair(data.hWnd, data.uID);
    TrayIconState& state = told_[key];
    const bool ok = apply(state, message, data);
    if (!state.shown) told_.erase(key);
    if (!ok) return 0;
    auto it = icons_.find(key);
    // Only what the request names goes to the icon: a host is told of nothing
    // that did not change.
    auto show_named = [&](TrayIcon& icon) {
        if (data.uFlags & NIF_ICON) {
            IconId id = IconId::None;
            if (state.icon == kWindowIconHandle) id = IconId::Window;
            if (state.icon == kFileIconHandle) id = IconId::File;
            icon.set_icon(state_.icon(id));
        }
        if (data.uFlags & NIF_TIP) {
            const std::string tip = tip_text(state);
            icon.set_tip(QString::fromLatin1(tip.data(), static_cast<qsizetype>(tip.size())));
        }
    };
    switch (message) {
        case NIM_ADD: {
            const std::uint32_t hwnd = data.hWnd;
            auto icon = std::make_unique<TrayIcon>([this, hwnd](std::uint32_t msg) { deliver(hwnd, msg); },
                                                   [this, hwnd] { menu_step(hwnd); }, [this, hwnd] { lost(hwnd); });
            show_named(*icon);
            if (Control* c = control_by_handle_(hwnd))
                if (Menu* menu = popup_menu_of(c->form())) icon->set_menu(c->form(), *menu);
            // Shown even with no tray yet: it docks when one appears.
            icon->show();
            icons_.emplace(key, std::move(icon));
            return 1;
        }
        case NIM_MODIFY:
            if (it == icons_.end()) return 0;
            show_named(*it->second);
            return 1;
        case NIM_DELETE: {
            if (it == icons_.end()) return 0;
            // Possibly called from this icon's own signal: its objects stay
            // until the end.
            it->second->hide();
            retired_.push_back(std::move(it->second));
            icons_.erase(it);
            return 1;
        }
        default: return 0;
    }
}

bool QtTray::present() const {
    return std::any_of(icons_.begin(), icons_.end(), [](const auto& t) { return t.second->present(); });
}

std::uint32_t QtTray::icon_handle(IconId icon) {
    switch (icon) {
        case IconId::Window: return kWindowIconHandle;
        case IconId::File: return kFileIconHandle;
        case IconId::None: break;
    }
    return 0;
}

void QtTray::menu_changed(const Menu& m) {
    for (auto& [key, icon] : icons_) {
        if (!icon->exports_menu() || !icon->menu()) continue;
        for (const Control* c = &m; c; c = c->parent()) {
            if (c != icon->menu()) continue;
            icon->refresh_menu();
            break;
        }
    }
}

bool QtTray::host_shows_popup(const Menu& menu) {
    for (auto& [key, icon] : icons_)
        if (icon->exports_menu() && icon->menu() == &menu) icon->refresh_menu();
    return in_menu_step_;
}

void QtTray::end() {
    ended_ = true;
    for (auto& [key, icon] : icons_) icon->hide();
}

void QtTray::deliver(std::uint32_t hwnd, std::uint32_t message) {
    if (Control* c = control_by_handle_(hwnd)) c->form().user_tray_message(desktop_key(), *c, message);
}

void QtTray::lost(std::uint32_t hwnd) {
    // A window hidden to a tray that turned out not to be there would be out
    // of reach: it comes back minimised, as if there had been no tray.
    Control* c = ended_ ? nullptr : control_by_handle_(hwnd);
    if (!c) return;
    Form& f = c->form();
    if (f.loaded() && !f.visible()) f.minimize();
}

void QtTray::menu_step(std::uint32_t hwnd) {
    // The step sets the captions and asks for the pop-up, which the host
    // shows itself: popup_menu only brings the exported copy up to date.
    in_menu_step_ = true;
    deliver(hwnd, WM_RBUTTONUP);
    in_menu_step_ = false;
}

}  // namespace tk::qt
