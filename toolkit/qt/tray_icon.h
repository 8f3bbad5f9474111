// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's icon in whichever tray the desktop has. QSystemTrayIcon
// speaks XEmbed on X11 and StatusNotifierItem (SNI) where a watcher is on
// the session bus; this class evens out where the two differ:
//  - most SNI hosts call Activate once per click and never report a
//    double-click: two activations within the double-click interval are the
//    left double-click (ActivationPairer). GNOME Shell's host opens the menu
//    on a single click and calls Activate once per double-click;
//  - SNI hosts draw the item's menu themselves and most never ask the program
//    to: the tray's pop-up menu is exported, and the host's "about to show"
//    runs the right-click step first, so its captions are current;
//  - Qt settles SNI or not once per process, when the first icon is made, so
//    where XEmbed cannot stand in (Wayland) the icon is made only once a
//    StatusNotifier host is up. On X11 an icon made with no tray docks by
//    itself when one appears;
//  - whether the icon is in a tray is kept up to date from the watcher's
//    signals with asynchronous calls (WatcherState), never asked while the
//    user waits: a watcher that hangs must not hang the window;
//  - KDE's watcher says a host is registered whether or not a shell runs:
//    where a watcher's hosts own bus names of their own, those names tell
//    when one leaves.
#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QElapsedTimer>
#include <QHash>
#include <QIcon>
#include <QMenu>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "toolkit/form.h"
#include "toolkit/menu.h"

class QSystemTrayIcon;

namespace tk::qt {

// Turns a stream of single activations into double-clicks: the second of two
// within the interval is one; more within the interval after it are part of
// the same double-click (some hosts send three).
// A host that calls Activate once per double-click makes every activation
// one, but for repeats within the interval.
class ActivationPairer {
public:
    // True when this activation, at now_ms, completes a double-click.
    bool activate(std::int64_t now_ms, int interval_ms, bool one_per_double_click = false);

private:
    bool have_first_ = false;
    std::int64_t first_ = 0;
    bool have_double_ = false;
    std::int64_t double_ = 0;
};

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

class TrayIcon {
public:
    // on_message gets the mouse message a click stands for (0x203, 0x205);
    // before_menu runs just before a host shows the exported menu; on_lost
    // runs when the icon was taken to be in a tray and turns out not to be.
    TrayIcon(std::function<void(std::uint32_t)> on_message, std::function<void()> before_menu,
             std::function<void()> on_lost = {});
    ~TrayIcon();
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    void set_icon(const QIcon& icon);
    void set_tip(const QString& tip);
    // The tray's pop-up menu, for hosts that draw it: owner's entries under menu.
    void set_menu(Form& owner, Menu& menu);
    void show();
    void hide();

    // The icon is in a tray the user can see now, or on its way into one;
    // answered from what is known, without waiting.
    bool present() const;
    // The host draws the menu from the exported copy.
    bool exports_menu() const { return icon_ && sni_; }
    // Brings the exported copy in line with the model's entries.
    void refresh_menu();
    // The model's menu the exported copy shows, if any.
    Menu* menu() const { return menu_; }

private:
    void create();
    void on_activated(int reason);
    void on_watcher_changed();
    void choose(QAction* action);

    std::function<void(std::uint32_t)> on_message_;
    std::function<void()> before_menu_;
    std::function<void()> on_lost_;
    std::unique_ptr<QSystemTrayIcon> icon_;
    bool sni_ = false;  // Qt took the StatusNotifierItem road for this process
    bool wanted_ = false;
    QIcon picture_;
    QString tip_;
    ActivationPairer pairer_;
    QElapsedTimer clock_;
    QMenu exported_;
    std::vector<std::pair<QPointer<QAction>, Menu*>> entries_;
    Form* owner_ = nullptr;
    Menu* menu_ = nullptr;
    bool was_present_ = false;
    std::unique_ptr<WatcherState> state_;
};

}  // namespace tk::qt
