// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/qt/tray_icon.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QSystemTrayIcon>
#include <QThread>

#include <algorithm>

#include "toolkit/qt/menu_peer.h"

namespace tk::qt {
namespace {

constexpr std::uint32_t WM_LBUTTONDBLCLK = 0x203, WM_RBUTTONUP = 0x205;
const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");

QVariant watcher_property(const char* name, int timeout_ms = 1000) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(kWatcher)) return {};
    QDBusMessage get = QDBusMessage::createMethodCall(kWatcher, kWatcherPath,
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << kWatcher << QString::fromLatin1(name);
    // A host that does not answer in time is as good as none.
    const QDBusMessage reply = bus.call(get, QDBus::Block, timeout_ms);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return {};
    return qvariant_cast<QDBusVariant>(reply.arguments().first()).variant();
}

// Qt registers its item from a connection of its own, by a name that
// differs between versions; watchers list it by that name, some with the
// object path appended. Ours is the one whose connection is this process.
bool item_registered() {
    QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    const uint pid = static_cast<uint>(QCoreApplication::applicationPid());
    // The registration goes out asynchronously: give one that is under way
    // a moment to arrive, but never hold the window up for more than a second.
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        const int left = static_cast<int>(1000 - waited.elapsed());
        if (left <= 0) return false;
        const QStringList items = watcher_property("RegisteredStatusNotifierItems", left).toStringList();
        for (const QString& item : items) {
            const QString service = item.section(QLatin1Char('/'), 0, 0);
            if (!service.isEmpty() && bus->servicePid(service).value() == pid) return true;
        }
        if (!bus->isServiceRegistered(kWatcher)) return false;
        QThread::msleep(50);
    }
}

// Qt settles SNI or not when it makes the first icon of the process, and
// keeps to it: so does this layer, asking the way Qt asks (through the
// watcher's introspected interface), so that both come to the same answer.
int g_sni_decided = -1;

bool qt_sees_host() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(kWatcher)) return false;
    QDBusInterface watcher(kWatcher, kWatcherPath, kWatcher, bus);
    return watcher.isValid() && watcher.property("IsStatusNotifierHostRegistered").toBool();
}

}  // namespace

bool status_notifier_host_up() { return watcher_property("IsStatusNotifierHostRegistered").toBool(); }

bool ActivationPairer::activate(std::int64_t now_ms, int interval_ms) {
    if (have_double_ && now_ms - double_ <= interval_ms) return false;  // the same double-click
    have_double_ = false;
    if (have_first_ && now_ms - first_ <= interval_ms) {
        have_first_ = false;
        have_double_ = true;
        double_ = now_ms;
        return true;
    }
    have_first_ = true;
    first_ = now_ms;
    return false;
}

TrayIcon::TrayIcon(std::function<void(std::uint32_t)> on_message, std::function<void()> before_menu)
    : on_message_(std::move(on_message)), before_menu_(std::move(before_menu)) {
    recheck_.setSingleShot(true);
    recheck_.setInterval(0);
    QObject::connect(&recheck_, &QTimer::timeout, &recheck_, [this] { on_watcher_changed(); });
    // Runs inside the host's AboutToShow call, so the captions are current
    // before the host reads them.
    QObject::connect(&exported_, &QMenu::aboutToShow, &exported_, [this] {
        if (before_menu_) before_menu_();
    });
}

TrayIcon::~TrayIcon() {
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
    if (icon_) icon_->show();
}

void TrayIcon::hide() {
    wanted_ = false;
    watcher_.reset();
    if (icon_) icon_->hide();
}

void TrayIcon::create() {
    const bool xcb = QGuiApplication::platformName() == QLatin1String("xcb");
    if (g_sni_decided < 0) {
        const bool sni = qt_sees_host();
        // Elsewhere than on X11 there is no tray but SNI: wait for a host
        // rather than settle on none for the rest of the run.
        if (!sni && !xcb) {
            if (!watcher_) {
                QDBusConnection bus = QDBusConnection::sessionBus();
                if (!bus.isConnected()) return;
                watcher_ = std::make_unique<QDBusServiceWatcher>(kWatcher, bus,
                                                                 QDBusServiceWatcher::WatchForRegistration);
                QObject::connect(watcher_.get(), &QDBusServiceWatcher::serviceRegistered, watcher_.get(),
                                 [this] { on_watcher_changed(); });
                // The host registers with the watcher a moment after it is up.
                bus.connect(kWatcher, kWatcherPath, kWatcher, QStringLiteral("StatusNotifierHostRegistered"),
                            &recheck_, SLOT(start()));
            }
            return;
        }
        g_sni_decided = sni ? 1 : 0;
    }
    watcher_.reset();
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
    if (!wanted_ || icon_ || !qt_sees_host()) return;
    show();
}

void TrayIcon::on_activated(int reason) {
    switch (static_cast<QSystemTrayIcon::ActivationReason>(reason)) {
        case QSystemTrayIcon::Trigger: {
            // A single click on XEmbed, one of a burst of Activate calls on SNI.
            if (!sni_) break;
            if (!clock_.isValid()) clock_.start();
            if (pairer_.activate(clock_.elapsed(), QApplication::doubleClickInterval()))
                on_message_(WM_LBUTTONDBLCLK);
            break;
        }
        case QSystemTrayIcon::DoubleClick: on_message_(WM_LBUTTONDBLCLK); break;
        case QSystemTrayIcon::Context: on_message_(WM_RBUTTONUP); break;
        default: break;
    }
}

bool TrayIcon::present() const {
    if (!icon_ || !icon_->isVisible()) return false;
    if (sni_) return status_notifier_host_up() && item_registered();
    return QSystemTrayIcon::isSystemTrayAvailable();
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
    Menu* m = it->second;
    // The form may have changed since the host drew the menu.
    const auto& controls = owner_->controls();
    if (std::find(controls.begin(), controls.end(), m) == controls.end()) return;
    owner_->user_choose(*m, /*via_popup=*/true);
}

}  // namespace tk::qt
