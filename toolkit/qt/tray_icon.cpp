// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/qt/tray_icon.h"

#include <QApplication>
#include <QGuiApplication>
#include <QSystemTrayIcon>

#include <algorithm>

#include "toolkit/qt/menu_peer.h"
#include "toolkit/shell_codes.h"

namespace tk::qt {
namespace {

// Qt settles SNI or not when it makes the first icon of the process, and
// keeps to it: so does this layer.
int g_sni_decided = -1;

}  // namespace

bool ActivationPairer::activate(std::int64_t now_ms, int interval_ms, bool one_per_double_click) {
    if (have_double_ && now_ms - double_ <= interval_ms) return false;  // the same double-click
    have_double_ = false;
    if (one_per_double_click || (have_first_ && now_ms - first_ <= interval_ms)) {
        have_first_ = false;
        have_double_ = true;
        double_ = now_ms;
        return true;
    }
    have_first_ = true;
    first_ = now_ms;
    return false;
}

TrayIcon::TrayIcon(std::function<void(std::uint32_t)> on_message, std::function<void()> before_menu,
                   std::function<void()> on_lost)
    : on_message_(std::move(on_message)),
      before_menu_(std::move(before_menu)),
      on_lost_(std::move(on_lost)),
      state_(std::make_unique<WatcherState>([this] { on_watcher_changed(); })) {
    // Runs inside the host's AboutToShow call, so the captions are current
    // before the host reads them.
    QObject::connect(&exported_, &QMenu::aboutToShow, &exported_, [this] {
        if (before_menu_) before_menu_();
    });
    xembed_check_.setSingleShot(true);
    QObject::connect(&xembed_check_, &QTimer::timeout, &xembed_check_, [this] { on_watcher_changed(); });
    if (QCoreApplication::instance()) QCoreApplication::instance()->installNativeEventFilter(this);
}

TrayIcon::~TrayIcon() {
    if (QCoreApplication::instance()) QCoreApplication::instance()->removeNativeEventFilter(this);
    // The icon goes before the menu it exports.
    if (icon_) icon_->hide();
    icon_.reset();
}

void TrayIcon::set_icon(const QIcon& icon) {
    picture_ = icon;
    if (icon_) icon_->setIcon(icon);
}

void TrayIcon::set_tip(const QString& tip) {
    tip_ = tip;
    if (icon_) icon_->setToolTip(tip);
}

void TrayIcon::set_menu(Form& owner, Menu& menu) {
    owner_ = &owner;
    menu_ = &menu;
    refresh_menu();
}

void TrayIcon::show() {
    wanted_ = true;
    if (!icon_) create();
    if (icon_) {
        icon_->show();
        if (sni_) state_->expect_registration();
    }
    was_present_ = present();
}

void TrayIcon::hide() {
    wanted_ = false;
    state_->item_hidden();
    if (icon_) icon_->hide();
    was_present_ = false;
}

void TrayIcon::create() {
    const bool xcb = QGuiApplication::platformName() == QLatin1String("xcb");
    if (g_sni_decided < 0) {
        // Settled on the watcher's first answers, once they are in. Qt asks
        // the watcher itself, synchronously, when it makes the first icon:
        // not while the watcher does not answer, or the window would hang
        // with it.
        if (!state_->known() || (state_->watcher_up() && !state_->responsive())) return;
        const bool sni = state_->watcher_up() && state_->host_up();
        // Elsewhere than on X11 there is no tray but SNI: wait for a host
        // rather than settle on none for the rest of the run.
        if (!sni && !xcb) return;
        g_sni_decided = sni ? 1 : 0;
    }
    sni_ = g_sni_decided == 1;
    icon_ = std::make_unique<QSystemTrayIcon>();
    icon_->setIcon(picture_);
    icon_->setToolTip(tip_);
    if (sni_) icon_->setContextMenu(&exported_);
    // Queued: whatever a click opens must not run inside the tray's own
    // event handling.
    QObject::connect(
        icon_.get(), &QSystemTrayIcon::activated, icon_.get(),
        [this](QSystemTrayIcon::ActivationReason reason) { on_activated(static_cast<int>(reason)); },
        Qt::QueuedConnection);
}

void TrayIcon::on_watcher_changed() {
    const bool before = was_present_;
    if (wanted_ && !icon_) show();
    // Taken to be in a tray (say while the first answers were out) and not
    // there after all: whoever hid the window to it must hear.
    was_present_ = present();
    if (before && !was_present_ && on_lost_) on_lost_();
}

bool TrayIcon::nativeEventFilter(const QByteArray& type, void* message, qintptr*) {
    // An X11 tray comes with a client message to the root window and goes
    // with its window's destroy notice. Qt docks the icon in a new one by
    // itself but tells nobody that one went: look once Qt has seen it.
    if (sni_ || !icon_ || type != "xcb_generic_event_t") return false;
    const unsigned kind = *static_cast<const std::uint8_t*>(message) & 0x7f;
    if (kind == 17 /* DestroyNotify */ || kind == 33 /* ClientMessage */) xembed_check_.start();
    return false;
}

void TrayIcon::on_activated(int reason) {
    switch (static_cast<QSystemTrayIcon::ActivationReason>(reason)) {
        case QSystemTrayIcon::Trigger: {
            // A single click on XEmbed, one of a burst of Activate calls on SNI.
            if (!sni_) break;
            if (!clock_.isValid()) clock_.start();
            if (pairer_.activate(clock_.elapsed(), QApplication::doubleClickInterval(),
                                 state_->one_activate_per_double_click()))
                on_message_(WM_LBUTTONDBLCLK);
            break;
        }
        case QSystemTrayIcon::DoubleClick: on_message_(WM_LBUTTONDBLCLK); break;
        case QSystemTrayIcon::Context: on_message_(WM_RBUTTONUP); break;
        default: break;
    }
}

bool TrayIcon::present() const {
    if (!wanted_) return false;
    // While the first answers are out the icon counts as present: /AUTO
    // hides at once, and the window comes back minimised if it is not.
    if (!state_->known()) return true;
    if (!icon_ || !icon_->isVisible()) return false;
    if (!sni_) return QSystemTrayIcon::isSystemTrayAvailable();
    if (!state_->watcher_up()) return false;
    if (state_->item_registered()) return state_->host_up();
    // Our registration is on its way to a watcher that has a host, or that
    // has not said yet.
    return state_->registration_pending() && state_->host_maybe_up();
}

void TrayIcon::refresh_menu() {
    if (!menu_ || !owner_) return;
    std::vector<Menu*> want;
    for (Control* c : menu_->children())
        if (c->kind() == Kind::Menu && c->visible()) want.push_back(static_cast<Menu*>(c));
    const bool same = want.size() == entries_.size() &&
                      std::equal(want.begin(), want.end(), entries_.begin(), [](Menu* m, const auto& e) {
                          return e.first && e.second == m && e.first->isSeparator() == m->is_separator();
                      });
    if (!same) {
        // Made afresh only when entries come or go; otherwise changed in place,
        // so a host that shows the menu keeps its items.
        exported_.clear();
        entries_.clear();
        for (Menu* m : want) {
            QAction* a = m->is_separator() ? exported_.addSeparator() : exported_.addAction(QString());
            QObject::connect(a, &QAction::triggered, a, [this, a] { choose(a); }, Qt::QueuedConnection);
            entries_.emplace_back(a, m);
        }
    }
    for (auto& [action, m] : entries_) {
        if (m->is_separator()) continue;
        const QString text = menu_text(*m);
        if (action->text() != text) action->setText(text);
        action->setEnabled(m->enabled());
        action->setCheckable(m->checked());
        action->setChecked(m->checked());
    }
}

void TrayIcon::choose(QAction* action) {
    auto it = std::find_if(entries_.begin(), entries_.end(), [action](const auto& e) { return e.first == action; });
    if (it == entries_.end() || !owner_) return;
    owner_->user_choose(desktop_key(), *it->second, /*via_popup=*/true);
}

}  // namespace tk::qt
