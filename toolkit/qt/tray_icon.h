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
//  - whether the icon is in a tray comes from what the StatusNotifier
//    watcher says (WatcherState, sni_watcher.h), never asked while the user
//    waits.
#include <QAbstractNativeEventFilter>
#include <QElapsedTimer>
#include <QIcon>
#include <QMenu>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "toolkit/form.h"
#include "toolkit/menu.h"
#include "toolkit/qt/sni_watcher.h"

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
class TrayIcon : private QAbstractNativeEventFilter {
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
    bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override;

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
    QTimer xembed_check_;  // a look at the X11 tray once Qt has handled what changed it
    std::unique_ptr<WatcherState> state_;
};

}  // namespace tk::qt
