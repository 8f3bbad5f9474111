// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The StatusNotifier watcher on the session bus, as the tray needs it:
// whether a host is up and our item listed. Kept up to date from the
// watcher's signals with asynchronous calls, never asked while the user
// waits: a watcher that hangs must not hang the window. KDE's watcher says a
// host is registered whether or not a shell runs: where a watcher's hosts own
// bus names of their own, those names tell when one leaves.
#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QHash>
#include <QSet>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

namespace tk::qt {

// The bus name in an entry of a watcher's RegisteredStatusNotifierItems:
// watchers write "service/path", "service@/path" or just "service".
QString item_service(const QString& item);

// The host that calls Activate once per double-click: GNOME Shell's, which
// runs inside the shell and so owns the watcher from the shell's own bus
// connection, the one that owns org.gnome.Shell.
bool sends_one_activate_per_double_click(const QString& watcher_owner, const QString& shell_owner);

// What the session bus's StatusNotifier watcher says, learned from its
// signals and its name owner's changes with asynchronous calls only.
class WatcherState {
public:
    // changed runs after every change of what is known.
    explicit WatcherState(std::function<void()> changed);
    ~WatcherState();
    WatcherState(const WatcherState&) = delete;
    WatcherState& operator=(const WatcherState&) = delete;

    bool known() const { return known_; }  // the first answers are in
    bool watcher_up() const { return !owner_.isEmpty(); }
    // The watcher answered the last question asked of it.
    bool responsive() const { return responsive_; }
    bool host_up() const { return host_ && named_host_allows(); }
    // The host is up, or the watcher has not said yet.
    bool host_maybe_up() const { return (host_ || !answered_) && named_host_allows(); }
    // An item whose connection belongs to this process is registered.
    bool item_registered() const { return item_; }
    bool one_activate_per_double_click() const {
        return sends_one_activate_per_double_click(owner_, marks_.value(QStringLiteral("org.gnome.Shell")));
    }
    // Our item is on its way to the watcher: registration_pending() until
    // it is listed or a few seconds have passed.
    void expect_registration();
    void item_hidden();
    bool registration_pending() const { return deadline_.isActive(); }

private:
    void owner_changed(const QString& owner);
    // A signal of the watcher's: look again, once per burst.
    void look_soon();
    void look();
    void settle(int look_id, bool answered, bool host, bool quiet, std::vector<QString> services);
    void watch_names();
    void host_name_changed(const QString& name, bool owned);
    void names_listed(const QStringList& names);
    void mark_changed(const QString& name, const QString& owner);
    bool kded_watcher() const;
    // The watcher has a host of its own, or no host's bus name was seen
    // since it came, or one is on the bus now.
    bool named_host_allows() const {
        return (own_host_ && !kded_watcher()) || !host_named_ || !host_names_.isEmpty();
    }

    std::function<void()> changed_;
    QDBusConnection bus_;
    std::unique_ptr<QDBusServiceWatcher> owner_watch_;
    QTimer poke_;      // a watcher's signal, passed on to look_soon
    QTimer refresh_;   // gathers a burst of the watcher's signals into one look
    QTimer deadline_;  // for our item's registration
    QString owner_;
    // Answers about an earlier owner, or to an earlier look, are dropped.
    int owner_generation_ = 0, look_ = 0;
    // One look at a time: signals that come while it is out ask for one more
    // after it, so a burst of registrations never keeps the answers away.
    bool looking_ = false, again_ = false;
    bool known_ = false, answered_ = false, host_ = false, item_ = false;
    bool expecting_ = false;  // our item is shown
    bool responsive_ = false;
    // The bus's NameOwnerChanged comes through this one's signal, which has
    // its arguments: a slot of our own would need moc.
    std::unique_ptr<QDBusServiceWatcher> name_relay_;
    QSet<QString> host_names_;  // hosts' bus names owned now
    bool host_named_ = false;   // one has been on the bus since the watcher's owner came
    // The watcher said a host is up while no host's name was on the bus and
    // none had been since it came: its host is one that owns no such name
    // (GNOME Shell's, xfce4-panel's), and hosts' names that come and go later
    // are other programs'. Learned afresh for each owner.
    bool own_host_ = false;
    // While the first list of names is out: names a signal told of since,
    // of which the signal is the newer word.
    bool listing_ = false;
    QSet<QString> told_;
    // Owners of names that tell whose the watcher is: org.gnome.Shell,
    // kded's; and those a signal told of before the first answer.
    QHash<QString, QString> marks_;
    QSet<QString> marks_told_;
};

}  // namespace tk::qt
