// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/qt/sni_watcher.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QRegularExpression>

#include <utility>

namespace tk::qt {
namespace {

const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");
const QString kBus = QStringLiteral("org.freedesktop.DBus");
const QString kBusPath = QStringLiteral("/org/freedesktop/DBus");
const QString kShell = QStringLiteral("org.gnome.Shell");
// KDE's daemons, which run its watcher apart from any host.
const QString kKded[] = {QStringLiteral("org.kde.kded5"), QStringLiteral("org.kde.kded6")};
// A watcher that has not answered by then is taken to have no host.
constexpr int kAnswerMs = 3000;
// Our item goes out when the icon shows and again to every new watcher; one
// not listed by then did not make it.
constexpr int kRegistrationMs = 5000;
constexpr int kRetryMs = 10000;
// The watcher's signals that come within this time are answered by one look.
constexpr int kGatherMs = 150;

// Asks the bus which process a connection belongs to; done(pid) gets 0 when
// it cannot tell.
void ask_pid(QDBusConnection& bus, QObject* parent, const QString& service, std::function<void(uint)> done) {
    QDBusMessage msg =
        QDBusMessage::createMethodCall(kBus, kBusPath, kBus, QStringLiteral("GetConnectionUnixProcessID"));
    msg << service;
    auto* w = new QDBusPendingCallWatcher(bus.asyncCall(msg, kAnswerMs), parent);
    QObject::connect(w, &QDBusPendingCallWatcher::finished, parent, [w, done = std::move(done)] {
        w->deleteLater();
        const QDBusPendingReply<uint> reply = *w;
        done(reply.isValid() ? reply.value() : 0u);
    });
}

QDBusMessage name_owner_call(const QString& name) {
    QDBusMessage msg = QDBusMessage::createMethodCall(kBus, kBusPath, kBus, QStringLiteral("GetNameOwner"));
    msg << name;
    return msg;
}

// A bus name a StatusNotifier host owns while it runs: Plasma's
// org.kde.StatusNotifierHost-PID, waybar's -PID-N, or the protocol's
// org.freedesktop. form.
bool host_name(const QString& name) {
    return name.startsWith(QLatin1String("org.kde.StatusNotifierHost-")) ||
           name.startsWith(QLatin1String("org.freedesktop.StatusNotifierHost-"));
}

}  // namespace

QString item_service(const QString& item) {
    const qsizetype end = item.indexOf(QRegularExpression(QStringLiteral("[/@]")));
    return end < 0 ? item : item.left(end);
}

bool sends_one_activate_per_double_click(const QString& watcher_owner, const QString& shell_owner) {
    // GNOME Shell's AppIndicator extension opens the menu on a single click
    // and calls Activate once per double-click; every other host we know
    // (Plasma, xfce4-panel, lxqt-panel, waybar) runs its watcher away from
    // GNOME Shell and calls Activate once per click. The shell's extensions
    // share its bus connection, which owns org.gnome.Shell: that tells it
    // whatever the shell's process is called or whether we can see it.
    return !watcher_owner.isEmpty() && watcher_owner == shell_owner;
}

WatcherState::WatcherState(std::function<void()> changed)
    : changed_(std::move(changed)), bus_(QDBusConnection::sessionBus()) {
    poke_.setSingleShot(true);
    poke_.setInterval(0);
    QObject::connect(&poke_, &QTimer::timeout, &poke_, [this] { look_soon(); });
    refresh_.setSingleShot(true);
    refresh_.setInterval(kGatherMs);
    QObject::connect(&refresh_, &QTimer::timeout, &refresh_, [this] { look(); });
    deadline_.setSingleShot(true);
    deadline_.setInterval(kRegistrationMs);
    QObject::connect(&deadline_, &QTimer::timeout, &deadline_, [this] {
        if (changed_) changed_();
    });
    if (!bus_.isConnected()) {
        known_ = true;
        return;
    }
    watch_names();
    owner_watch_ = std::make_unique<QDBusServiceWatcher>(kWatcher, bus_, QDBusServiceWatcher::WatchForOwnerChange);
    QObject::connect(owner_watch_.get(), &QDBusServiceWatcher::serviceOwnerChanged, owner_watch_.get(),
                     [this](const QString&, const QString&, const QString& owner) { owner_changed(owner); });
    // Any of these may change the answer.
    for (const char* signal : {"StatusNotifierItemRegistered", "StatusNotifierItemUnregistered",
                               "StatusNotifierHostRegistered", "StatusNotifierHostUnregistered"})
        bus_.connect(kWatcher, kWatcherPath, kWatcher, QLatin1String(signal), &poke_, SLOT(start()));
    auto* w = new QDBusPendingCallWatcher(bus_.asyncCall(name_owner_call(kWatcher), kAnswerMs), &refresh_);
    const int generation = owner_generation_;
    QObject::connect(w, &QDBusPendingCallWatcher::finished, &refresh_, [this, w, generation] {
        w->deleteLater();
        // An owner change seen meanwhile is newer than this answer.
        if (generation != owner_generation_) return;
        const QDBusPendingReply<QString> reply = *w;
        owner_changed(reply.isValid() ? reply.value() : QString());
    });
}

WatcherState::~WatcherState() = default;

void WatcherState::expect_registration() {
    expecting_ = true;
    if (!item_) deadline_.start();
}

void WatcherState::item_hidden() {
    expecting_ = false;
    deadline_.stop();
}

// KDE's watcher (kded5) says a host is registered whether or not plasmashell
// runs, and says nothing when the shell goes; the shell's tray owns
// org.kde.StatusNotifierHost-PID while it runs (waybar's -PID-N), and the bus
// drops the name with the process. So once such a name has been seen, a host
// counts as up only while one is on the bus, unless the watcher was heard
// saying yes before any was there: then it has a host of its own that owns
// no such name (GNOME Shell's extension, xfce4-panel's tray: watcher and
// host in one process, so they go together), and its word stands while
// other programs' hosts come and go. Not so KDE's, which says yes before
// plasmashell has come as well: its connection is kded's. Names are learned
// from the bus's signals and one asynchronous list at the start; so are the
// owners of org.gnome.Shell and kded's names.
void WatcherState::watch_names() {
    name_relay_ = std::make_unique<QDBusServiceWatcher>();
    QObject::connect(name_relay_.get(), &QDBusServiceWatcher::serviceOwnerChanged, name_relay_.get(),
                     [this](const QString& name, const QString&, const QString& owner) {
                         if (marks_.contains(name)) {
                             marks_told_.insert(name);
                             mark_changed(name, owner);
                         } else if (host_name(name)) {
                             host_name_changed(name, !owner.isEmpty());
                         }
                     });
    bus_.connect(kBus, kBusPath, kBus, QStringLiteral("NameOwnerChanged"), name_relay_.get(),
                 SIGNAL(serviceOwnerChanged(QString, QString, QString)));
    listing_ = true;
    QDBusMessage list = QDBusMessage::createMethodCall(kBus, kBusPath, kBus, QStringLiteral("ListNames"));
    auto* w = new QDBusPendingCallWatcher(bus_.asyncCall(list, kAnswerMs), name_relay_.get());
    QObject::connect(w, &QDBusPendingCallWatcher::finished, name_relay_.get(), [this, w] {
        w->deleteLater();
        const QDBusPendingReply<QStringList> reply = *w;
        names_listed(reply.isValid() ? reply.value() : QStringList());
    });
    for (const QString& name : {kShell, kKded[0], kKded[1]}) {
        marks_.insert(name, QString());
        auto* m = new QDBusPendingCallWatcher(bus_.asyncCall(name_owner_call(name), kAnswerMs), name_relay_.get());
        QObject::connect(m, &QDBusPendingCallWatcher::finished, name_relay_.get(), [this, m, name] {
            m->deleteLater();
            const QDBusPendingReply<QString> reply = *m;
            // A signal handled before is the newer word.
            if (!marks_told_.contains(name)) mark_changed(name, reply.isValid() ? reply.value() : QString());
        });
    }
}

void WatcherState::host_name_changed(const QString& name, bool owned) {
    const bool before = named_host_allows();
    if (listing_) told_.insert(name);
    if (owned) {
        host_names_.insert(name);
        host_named_ = true;
    } else {
        host_names_.remove(name);
    }
    if (changed_ && before != named_host_allows()) changed_();
}

void WatcherState::names_listed(const QStringList& names) {
    const bool before = named_host_allows();
    // A signal handled before the list came may be newer than the list:
    // for the names it told of, its word stands.
    for (const QString& name : names)
        if (host_name(name) && !told_.contains(name)) {
            host_names_.insert(name);
            host_named_ = true;
        }
    listing_ = false;
    told_.clear();
    // Looks wait for the names, which tell what their answers mean.
    if (again_) {
        again_ = false;
        look();
    }
    if (changed_ && before != named_host_allows()) changed_();
}

void WatcherState::mark_changed(const QString& name, const QString& owner) {
    const bool one = one_activate_per_double_click(), allowed = named_host_allows();
    marks_[name] = owner;
    if (changed_ && (one != one_activate_per_double_click() || allowed != named_host_allows())) changed_();
}

bool WatcherState::kded_watcher() const {
    return !owner_.isEmpty() && (owner_ == marks_.value(kKded[0]) || owner_ == marks_.value(kKded[1]));
}

void WatcherState::owner_changed(const QString& owner) {
    ++owner_generation_;
    ++look_;
    owner_ = owner;
    host_ = item_ = answered_ = responsive_ = false;
    looking_ = again_ = false;
    refresh_.stop();
    // A new watcher is judged afresh.
    own_host_ = false;
    host_named_ = !host_names_.isEmpty();
    deadline_.stop();
    if (owner.isEmpty()) {
        known_ = true;
        if (changed_) changed_();
        return;
    }
    // Qt registers the item again with a new watcher.
    if (expecting_) deadline_.start();
    look();
}

void WatcherState::look_soon() {
    if (looking_ || listing_) {
        again_ = true;
        return;
    }
    if (!refresh_.isActive()) refresh_.start();
}

void WatcherState::look() {
    if (owner_.isEmpty()) return;
    if (looking_ || listing_) {
        again_ = true;
        return;
    }
    looking_ = true;
    again_ = false;
    const int look = ++look_;
    // No host's name since the watcher came: a yes is about a host of its own.
    const bool quiet = !host_named_;
    QDBusMessage get_all = QDBusMessage::createMethodCall(owner_, kWatcherPath,
                                                          QStringLiteral("org.freedesktop.DBus.Properties"),
                                                          QStringLiteral("GetAll"));
    get_all << kWatcher;
    auto* w = new QDBusPendingCallWatcher(bus_.asyncCall(get_all, kAnswerMs), &refresh_);
    QObject::connect(w, &QDBusPendingCallWatcher::finished, &refresh_, [this, w, look, quiet] {
        w->deleteLater();
        if (look != look_) return;
        const QDBusPendingReply<QVariantMap> reply = *w;
        if (!reply.isValid()) {
            // Taken to have no host for now; asked again a while later, in
            // case it was only slow.
            settle(look, false, false, false, {});
            QTimer::singleShot(kRetryMs, &refresh_, [this, look] {
                if (look == look_) this->look();
            });
            return;
        }
        const QVariantMap props = reply.value();
        std::vector<QString> services;
        for (const QString& item : props.value(QStringLiteral("RegisteredStatusNotifierItems")).toStringList()) {
            const QString service = item_service(item);
            if (!service.isEmpty()) services.push_back(service);
        }
        settle(look, true, props.value(QStringLiteral("IsStatusNotifierHostRegistered")).toBool(), quiet,
               std::move(services));
    });
}

void WatcherState::settle(int look_id, bool answered, bool host, bool quiet, std::vector<QString> services) {
    // Qt registers its item from a connection of its own, by a name that
    // differs between versions: ours is the one whose connection is this
    // process.
    struct Look {
        int left = 0;
        bool ours = false;
    };
    auto look = std::make_shared<Look>();
    look->left = static_cast<int>(services.size());
    const uint self = static_cast<uint>(QCoreApplication::applicationPid());
    auto done = [this, look_id, answered, host, quiet, look] {
        if (look_id != look_ || look->left > 0) return;
        const bool was_known = known_, was_responsive = responsive_, was_host = host_, was_item = item_;
        const bool was_allowed = named_host_allows();
        known_ = answered_ = true;
        responsive_ = answered;
        host_ = host;
        item_ = look->ours;
        // A host's name that came while the look was out may be the host
        // the watcher spoke of.
        if (host && quiet && !host_named_) own_host_ = true;
        if (item_) deadline_.stop();
        looking_ = false;
        if (again_) {
            again_ = false;
            look_soon();
        }
        if (changed_ && (!was_known || was_responsive != responsive_ || was_host != host_ || was_item != item_ ||
                         was_allowed != named_host_allows()))
            changed_();
    };
    if (services.empty()) {
        done();
        return;
    }
    for (const QString& service : services)
        ask_pid(bus_, &refresh_, service, [look, self, done](uint pid) {
            --look->left;
            if (pid == self) look->ours = true;
            done();
        });
}

}  // namespace tk::qt
