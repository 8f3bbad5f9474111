// SPDX-License-Identifier: GPL-3.0-or-later
// The Qt backend on Qt's offscreen platform: the real widgets follow the form
// model (geometry in pixels, nesting, captions, menus), and input reaches the
// model only through the form's own checks.
#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QKeySequence>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <deque>
#include <functional>

#include "about/frmAbout.h"
#include "app/program.h"
#include "toolkit/qt/form_window.h"
#include "toolkit/qt/menu_peer.h"
#include "toolkit/qt/peers.h"
#include "qt_program.h"
#include "toolkit/qt/qt_desktop.h"
#include "toolkit/qt/sni_watcher.h"
#include "toolkit/qt/tray_icon.h"

namespace {

using tk::qt::WidgetPeer;

using test::action;
using test::widget;
QString label_text(tk::Control& c) { return static_cast<tk::qt::LabelBox*>(widget(c))->text(); }

struct QtApp : test::QtProgram {
    using test::QtProgram::QtProgram;
    // Lets the 1/64 s clock tick a few times.
    void run_ms(int ms) { QTest::qWait(ms); }
};

}  // namespace

TEST(QtBackend, WidgetsFollowTheModelInPixels) {
    QtApp app;
    frmMain& w = *app.w;
    auto* window = static_cast<tk::qt::FormWindow*>(widget(w));
    EXPECT_EQ(window->windowTitle(), "Taluvex");
    EXPECT_EQ(window->client()->size(), QSize(272, 226));
    // Nesting: the free bar and the marker live inside the red box, so it clips them.
    auto* used = static_cast<tk::qt::PictureBoxWidget*>(widget(w.picUsedPhysical));
    EXPECT_EQ(widget(w.picAvailablePhysical)->parentWidget(), used->inner());
    EXPECT_EQ(widget(w.picOldPhysical)->parentWidget(), used->inner());
    EXPECT_EQ(widget(w.picUsedPhysical)->parentWidget(), widget(w.Frame1));
    EXPECT_EQ(label_text(w.lblStatus), QString::fromUtf8("Готов"));
    EXPECT_EQ(label_text(w.lblFreePhysicalShow), "FREE");

    app.run_ms(200);
    EXPECT_EQ(label_text(w.lblFreePhysicalShow), QString::fromStdString(w.lblFreePhysicalShow.caption()));
    EXPECT_TRUE(label_text(w.lblFreePhysicalShow).endsWith(" MB"));
    // The free bar's widget is where the model put it, in whole pixels.
    const QRect bar = widget(w.picAvailablePhysical)->geometry();
    EXPECT_NEAR(bar.width(), w.picAvailablePhysical.width() / 15, 1);
    EXPECT_NEAR(bar.x(), w.picAvailablePhysical.left() / 15, 1);
    // Changing a property moves the widget; an unchanged one is left alone.
    w.picOldPhysical.set_bounds(600, 0, 900, 255);
    EXPECT_EQ(widget(w.picOldPhysical)->geometry(), QRect(40, 0, 60, 17));
    w.picOldPhysical.set_visible(true);
    EXPECT_FALSE(widget(w.picOldPhysical)->isHidden());
}

TEST(QtBackend, MenusCarryCaptionsShortcutsAndStates) {
    QtApp app;
    frmMain& w = *app.w;
    auto* window = static_cast<tk::qt::FormWindow*>(widget(w));
    QStringList bar;
    for (QAction* a : window->menu_bar()->actions())
        if (a->isVisible()) bar << a->text();
    EXPECT_EQ(bar, (QStringList{QString::fromUtf8("&Файл"), QString::fromUtf8("Помощ")}));  // no "&Menu"
    // The caption with its own trailing blanks; the key is the entry's binding.
    EXPECT_EQ(action(w.mnuDefragMemory1)->text(), QString::fromUtf8("Отчистить   "));
    EXPECT_EQ(action(w.mnuDefragMemory1)->shortcut(), QKeySequence(QStringLiteral("Ctrl+F")));
    EXPECT_EQ(action(w.mnuAbout)->text(), QString::fromUtf8("О программе   "));
    EXPECT_EQ(action(w.mnuAbout)->shortcut(), QKeySequence(QStringLiteral("F1")));
    EXPECT_EQ(action(w.mnuShow)->text(), "&Hide");
    EXPECT_TRUE(action(w.mnuLine)->isSeparator());

    // Keys reach the model's shortcut table through the active window.
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QTest::keyClick(window, Qt::Key_U, Qt::ControlModifier);
    EXPECT_TRUE(w.mnuDefragMemory3.checked());
    EXPECT_TRUE(action(w.mnuDefragMemory3)->isChecked());
    w.mnuFile.set_enabled(false);
    EXPECT_FALSE(action(w.mnuFile)->isEnabled());
    // Triggering the action of a shut menu's entry goes through the form, which refuses it.
    action(w.mnuDefragMemory1)->trigger();
    EXPECT_FALSE(w.tmrDefragMemory.enabled());
}

TEST(QtBackend, TheAboutBoxIsFixedAndClosesFromItsOwnButton) {
    QtApp app;
    frmMain& w = *app.w;
    ASSERT_TRUE(w.user_shortcut(test::key(), tk::Shortcut::F1));
    frmAbout* about = w.About();
    ASSERT_TRUE(about && about->loaded());
    QWidget* box = widget(*about);
    EXPECT_EQ(box->windowTitle(), "About Taluvex");
    EXPECT_EQ(box->minimumSize(), box->maximumSize());  // not resizable
    EXPECT_FALSE(w.enabled());
    EXPECT_EQ(label_text(about->lblVersion), "v2.0");
    // OK unloads its own window from inside its click; the widgets go later.
    QPointer<QPushButton> ok = static_cast<QPushButton*>(widget(about->cmdOK));
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_FALSE(about->loaded());
    EXPECT_TRUE(w.enabled());
    app.run_ms(50);
    EXPECT_TRUE(ok.isNull());
    // Esc presses OK on a fresh box.
    ASSERT_TRUE(w.user_shortcut(test::key(), tk::Shortcut::F1));
    QTest::keyClick(widget(*w.About()), Qt::Key_Escape);
    EXPECT_FALSE(w.About()->loaded());
    EXPECT_TRUE(w.enabled());
}

TEST(QtBackend, WithoutATrayTheProgramRunsOnSilently) {
    QtApp app;
    EXPECT_TRUE(app.w->visible());
    app.run_ms(100);
    EXPECT_FALSE(app.rt.ended());
    // No tray here (and no StatusNotifier host): hiding to the tray
    // minimises the window instead of hiding it.
    EXPECT_FALSE(app.desktop.tray_icon_present());
    ASSERT_TRUE(app.w->user_shortcut(test::key(), tk::Shortcut::CtrlT));
    EXPECT_TRUE(widget(*app.w)->isVisible());
    EXPECT_TRUE(widget(*app.w)->isMinimized());
    EXPECT_EQ(app.w->mnuShow.caption(), "&Show");
    // The close box unloads and ends.
    widget(*app.w)->close();
    EXPECT_TRUE(app.rt.ended());
}

TEST(QtBackend, ATimerEnabledInsideALongHandlerCountsFromThatMomentOnTheRealClock) {
    QtApp app("", QtApp::Start::Later);
    tk::Form f(app.rt, "f");
    tk::Timer slow(f, "slow", 1, true, ""), later(f, "later", 1000, false, "");
    QElapsedTimer clock;
    clock.start();
    qint64 enabled_at = -1, fired_at = -1;
    slow.on_timer = [&] {
        slow.set_enabled(false);
        QThread::msleep(300);  // a slow claim
        enabled_at = clock.elapsed();
        later.set_enabled(true);
    };
    later.on_timer = [&] { fired_at = fired_at < 0 ? clock.elapsed() : fired_at; };
    for (int waited = 0; fired_at < 0 && waited < 10'000; waited += 10) app.run_ms(10);
    // Counted from the tick that ran the handler it would come 300 ms early.
    EXPECT_GE(fired_at - enabled_at, 999) << fired_at;
}

TEST(QtBackend, TheWindowMinimisesAndRestoresWithTheModel) {
    QtApp app;
    frmMain& w = *app.w;
    QWidget* window = widget(w);
    w.minimize();
    EXPECT_TRUE(window->isMinimized());
    EXPECT_TRUE(window->isVisible());
    w.show();
    EXPECT_FALSE(window->isMinimized());
    EXPECT_FALSE(w.minimized());
    // Minimised by the user: the model hears of it, and showing restores.
    window->showMinimized();
    EXPECT_TRUE(w.minimized());
    w.show();
    EXPECT_FALSE(window->isMinimized());
    // Hidden while minimised, it comes back restored.
    w.minimize();
    w.hide();
    EXPECT_FALSE(window->isVisible());
    w.show();
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->isMinimized());
}

// StatusNotifier hosts call Activate once a click (some twice or three
// times a double-click): pairs within the interval are double-clicks. GNOME
// Shell's host calls it once a double-click.
TEST(TrayActivations, PairsWithinTheIntervalAreOneDoubleClickAndGnomeShellsSingleCallIsOne) {
    tk::qt::ActivationPairer p;
    EXPECT_FALSE(p.activate(1000, 400));  // a single click does nothing
    EXPECT_FALSE(p.activate(1500, 400));  // too late to pair with it: a new first
    EXPECT_TRUE(p.activate(1600, 400));   // paired
    EXPECT_FALSE(p.activate(1650, 400));  // a third call of the same double-click
    EXPECT_FALSE(p.activate(1990, 400));  // still within the interval after it
    EXPECT_FALSE(p.activate(2500, 400));  // a new first click
    EXPECT_TRUE(p.activate(2900, 400));   // the interval's edge still pairs
    EXPECT_FALSE(p.activate(3400, 400));
    EXPECT_FALSE(p.activate(3801, 400));  // just past the interval: no pair

    // The host that calls it once per double-click: each call is one, a
    // repeat within the interval is not another.
    tk::qt::ActivationPairer g;
    EXPECT_TRUE(g.activate(1000, 400, true));
    EXPECT_FALSE(g.activate(1100, 400, true));
    EXPECT_TRUE(g.activate(1600, 400, true));
    EXPECT_TRUE(g.activate(2100, 400, true));
    // A half-made pair from before the host changed does not linger.
    tk::qt::ActivationPairer h;
    EXPECT_FALSE(h.activate(1000, 400));
    EXPECT_TRUE(h.activate(1100, 400, true));
    EXPECT_FALSE(h.activate(1600, 400));

    // Told by the watcher's connection owning org.gnome.Shell too.
    EXPECT_TRUE(tk::qt::sends_one_activate_per_double_click(":1.7", ":1.7"));
    for (const char* shell : {":1.8", ""})
        EXPECT_FALSE(tk::qt::sends_one_activate_per_double_click(":1.7", shell)) << shell;
    EXPECT_FALSE(tk::qt::sends_one_activate_per_double_click("", ""));
}

// Watchers list items as "service/path" (KDE's), "service@/path" (GNOME
// Shell's) or just "service".
TEST(TrayWatcherItems, TheServiceIsTheNameBeforeThePath) {
    using tk::qt::item_service;
    EXPECT_EQ(item_service(":1.11/StatusNotifierItem"), ":1.11");
    EXPECT_EQ(item_service(":1.11@/StatusNotifierItem"), ":1.11");
    EXPECT_EQ(item_service(":1.11"), ":1.11");
    EXPECT_EQ(item_service("org.kde.StatusNotifierItem-412-1/StatusNotifierItem"),
              "org.kde.StatusNotifierItem-412-1");
    EXPECT_EQ(item_service("org.kde.StatusNotifierItem-412-1@/org/ayatana/NotificationItem/x"),
              "org.kde.StatusNotifierItem-412-1");
    EXPECT_EQ(item_service("org.kde.StatusNotifierItem-412-1"), "org.kde.StatusNotifierItem-412-1");
    EXPECT_EQ(item_service(""), "");
}

// Set in the copies of the tray's tests run in sessions of their own, with
// a watcher that never answers or ones that claim a host whatever runs (as
// KDE's does); and, to the role it plays, in the copy that is such a watcher.
constexpr char kHangingWatcherRun[] = "TALUVEX_TEST_HANGING_WATCHER";
constexpr char kClaimingWatcherRun[] = "TALUVEX_TEST_CLAIMING_WATCHER";
constexpr char kBusyWatcherRun[] = "TALUVEX_TEST_BUSY_WATCHER";
constexpr char kClaimingWatcherRole[] = "TALUVEX_TEST_BE_CLAIMING_WATCHER";

namespace {

const QString kWatcherName = "org.kde.StatusNotifierWatcher";

// A StatusNotifier watcher that says a host is registered whatever runs and
// lists every item that registers. The "gnome" one's connection owns
// org.gnome.Shell too, as the shell's does; the "kde" one's org.kde.kded5, as
// kded's does. The "busy" one answers GetAll one call at a time, each 150 ms
// after the last, and after its first answer takes a burst of 50
// registrations 50 ms apart, the fifth of them an item of the connection it
// answered, as Qt's comes among others at log-in.
class ClaimingWatcher : public QDBusVirtualObject {
public:
    explicit ClaimingWatcher(const QString& role) : role_(role) {
        QObject::connect(&burst_, &QTimer::timeout, &burst_, [this] {
            ++sent_;
            add(sent_ == 5 ? caller_ + "/StatusNotifierItem" : bus_.baseService() + "/Item" + QString::number(sent_));
            if (sent_ == 50) burst_.stop();
        });
        QObject::connect(&answer_, &QTimer::timeout, &answer_, [this] {
            if (pending_.empty()) return answer_.stop();
            answer(pending_.front());
            pending_.pop_front();
        });
    }
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& m, const QDBusConnection&) override {
        if (m.member() == "GetAll" && role_ == "busy") {
            pending_.push_back(m);
            if (!answer_.isActive()) answer_.start(150);
        } else if (m.member() == "GetAll") {
            answer(m);
        } else if (m.member() == "RegisterStatusNotifierItem") {
            const QString item = m.arguments().value(0).toString();
            bus_.send(m.createReply());
            add(item.startsWith('/') ? m.service() + item : item);
        } else if (m.member() == "Idle") {  // the burst is over and every call answered
            bus_.send(m.createReply(sent_ == 50 && pending_.empty()));
        } else {
            return false;
        }
        return true;
    }

private:
    void answer(const QDBusMessage& m) {
        const QVariantMap props{{"IsStatusNotifierHostRegistered", true}, {"RegisteredStatusNotifierItems", items_}};
        bus_.send(m.createReply(QVariant::fromValue(props)));
        if (role_ == "busy" && caller_.isEmpty()) {
            caller_ = m.service();
            burst_.start(50);
        }
    }
    void add(const QString& item) {
        items_ << item;
        bus_.send(QDBusMessage::createSignal("/StatusNotifierWatcher", kWatcherName, "StatusNotifierItemRegistered")
                  << item);
    }

    const QString role_;
    QDBusConnection bus_ = QDBusConnection::sessionBus();
    QStringList items_;
    std::deque<QDBusMessage> pending_;
    QTimer answer_, burst_;
    QString caller_;
    int sent_ = 0;
};

int run_claiming_watcher(const QString& role) {
    ClaimingWatcher watcher(role);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (role == "gnome" && !bus.registerService("org.gnome.Shell")) return 1;
    if (role == "kde" && !bus.registerService("org.kde.kded5")) return 1;
    if (!bus.registerVirtualObject("/StatusNotifierWatcher", &watcher) || !bus.registerService(kWatcherName))
        return 1;
    return QCoreApplication::exec();
}

// A process that owns a bus name until it is killed, as a host's name goes
// with a shell that leaves.
struct FakeHost {
    QProcess process;
    explicit FakeHost(const QString& name) {
        process.start("dbus-test-tool", {"black-hole", "--session", "--name=" + name});
    }
};

struct FakeWatcher {
    QProcess process;
    explicit FakeWatcher(const char* role) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(kClaimingWatcherRole, role);
        process.setProcessEnvironment(env);
        process.start(QCoreApplication::applicationFilePath());
    }
};

bool wait_until(const std::function<bool()>& done, int ms = 10000) {
    QElapsedTimer waited;
    waited.start();
    while (!done() && waited.elapsed() < ms) QTest::qWait(20);
    return done();
}

bool owned(const QString& name) {
    return QDBusConnection::sessionBus().interface()->isServiceRegistered(name);
}

// Qt makes no StatusNotifier item on the offscreen platform: this process
// registers one, as Qt would.
bool register_item() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.call(QDBusMessage::createMethodCall(kWatcherName, "/StatusNotifierWatcher", kWatcherName,
                                                   "RegisterStatusNotifierItem")
                    << bus.baseService())
               .type() == QDBusMessage::ReplyMessage;
}

std::unique_ptr<FakeHost> start_shell(const QString& name) {
    auto shell = std::make_unique<FakeHost>(name);
    return wait_until([&] { return owned(name); }) ? std::move(shell) : nullptr;
}

// Runs the test named by filter again, on a session bus of its own, with
// run_var set; true when it passed.
void run_in_own_session(const char* run_var, const char* filter) {
    for (const char* tool : {"dbus-run-session", "dbus-test-tool"})
        ASSERT_FALSE(QStandardPaths::findExecutable(tool).isEmpty()) << tool << " is missing";
    QProcess run;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(run_var, "1");
    run.setProcessEnvironment(env);
    run.setProcessChannelMode(QProcess::MergedChannels);
    run.start("dbus-run-session", {"--", QCoreApplication::applicationFilePath(), QString("--gtest_filter=") + filter});
    ASSERT_TRUE(run.waitForFinished(120000));
    const QString out = QString::fromLocal8Bit(run.readAll());
    EXPECT_EQ(run.exitCode(), 0) << out.toStdString();
    EXPECT_TRUE(out.contains("[  PASSED  ] 1 test")) << out.toStdString();
}

}  // namespace

// A watcher that takes calls and never answers (a hung tray): hiding to the
// tray returns at once, the figures keep refreshing, and the window, hidden
// while the icon counted as present, comes back minimised once the watcher
// is found to have no host.
TEST(TrayWithAHangingWatcher, HidingReturnsAtOnceAndTheWindowStaysInReach) {
    if (!qEnvironmentVariableIsSet(kHangingWatcherRun))
        return run_in_own_session(kHangingWatcherRun, "TrayWithAHangingWatcher.*");
    FakeHost hole(kWatcherName);
    ASSERT_TRUE(wait_until([] { return owned(kWatcherName); }, 20000));

    QtApp app;
    frmMain& w = *app.w;
    QWidget* window = widget(w);
    // Nothing has been heard from the watcher yet: the icon counts as
    // present, and a blocking ask would wait out its time-out here (seconds).
    QElapsedTimer hiding;
    hiding.start();
    ASSERT_TRUE(w.user_shortcut(test::key(), tk::Shortcut::CtrlT));
    EXPECT_LT(hiding.elapsed(), 1000);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(w.mnuShow.caption(), "&Show");

    // The figures refresh meanwhile; the window comes back minimised once
    // the watcher is given up on.
    w.lblTotalPhysicalShow.set_caption("stale");
    bool refreshed = false;
    QElapsedTimer waited;
    waited.start();
    while (!window->isVisible() && waited.elapsed() < 20000) {
        QTest::qWait(20);
        if (w.lblTotalPhysicalShow.caption() != "stale") refreshed = true;
    }
    EXPECT_TRUE(refreshed);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isMinimized());
    EXPECT_FALSE(app.desktop.tray_icon_present());

    // Known to have no tray now: hiding minimises, at once.
    w.show();
    EXPECT_FALSE(window->isMinimized());
    hiding.restart();
    ASSERT_TRUE(w.user_shortcut(test::key(), tk::Shortcut::CtrlT));
    EXPECT_LT(hiding.elapsed(), 1000);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isMinimized());
    w.mnuShow_Click();
    EXPECT_FALSE(window->isMinimized());
}

// A watcher that always says a host is registered. Heard saying so before
// any host's bus name was on the bus, it has a host that owns none (GNOME
// Shell's): other programs' hosts come and go and the tray stays. A watcher
// first heard with a host's name there, or kded's, which says so before
// plasmashell has come too, has a tray only while a host's name is on the bus.
TEST(TrayWithAWatcherThatAlwaysClaimsAHost, ItsOwnHostOrTheHostsBusNamesTellWhetherTheTrayIsThere) {
    if (!qEnvironmentVariableIsSet(kClaimingWatcherRun))
        return run_in_own_session(kClaimingWatcherRun, "TrayWithAWatcherThatAlwaysClaimsAHost.*");
    auto gnome = std::make_unique<FakeWatcher>("gnome");
    ASSERT_TRUE(wait_until([] { return owned(kWatcherName) && owned("org.gnome.Shell"); }));
    ASSERT_TRUE(register_item());

    QtApp app;
    frmMain& w = *app.w;
    QWidget* window = widget(w);
    auto hide_to_tray = [&] {
        w.show();
        return w.user_shortcut(test::key(), tk::Shortcut::CtrlT);
    };
    tk::qt::WatcherState probe([] {});
    ASSERT_TRUE(wait_until([&] { return app.desktop.tray_icon_present() && probe.host_up(); }));
    // The shell's host calls Activate once per double-click.
    EXPECT_TRUE(probe.one_activate_per_double_click());
    ASSERT_TRUE(hide_to_tray());
    EXPECT_FALSE(window->isVisible());

    // Another program's host comes and goes: the window stays in the tray.
    auto other = start_shell("org.kde.StatusNotifierHost-4001");
    ASSERT_TRUE(other);
    other.reset();
    ASSERT_TRUE(wait_until([] { return !owned("org.kde.StatusNotifierHost-4001"); }));
    QTest::qWait(300);
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(app.desktop.tray_icon_present());
    EXPECT_TRUE(probe.host_up());

    // Plasma's watcher, after its shell: learned afresh.
    w.show();
    gnome.reset();
    ASSERT_TRUE(wait_until([] { return !owned(kWatcherName); }));
    auto shell = start_shell("org.kde.StatusNotifierHost-4002");
    ASSERT_TRUE(shell);
    auto kde = std::make_unique<FakeWatcher>("kde");
    ASSERT_TRUE(wait_until([] { return owned(kWatcherName); }));
    ASSERT_TRUE(register_item());
    ASSERT_TRUE(wait_until([&] { return app.desktop.tray_icon_present() && probe.host_up(); }));
    EXPECT_FALSE(probe.one_activate_per_double_click());  // two Activate calls are a double-click
    ASSERT_TRUE(hide_to_tray());
    EXPECT_FALSE(window->isVisible());
    QTest::qWait(300);
    EXPECT_FALSE(window->isVisible());  // not brought back while the host is up
    // The shell ends: the window comes back minimised, though the watcher
    // still claims a host.
    shell.reset();
    EXPECT_TRUE(wait_until([&] { return window->isVisible(); }));
    EXPECT_TRUE(window->isMinimized());
    EXPECT_FALSE(app.desktop.tray_icon_present());
    // Hiding now minimises.
    ASSERT_TRUE(hide_to_tray());
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isMinimized());

    // A new shell, by the protocol's form of the name: hiding hides again.
    auto next = start_shell("org.freedesktop.StatusNotifierHost-4003");
    ASSERT_TRUE(next);
    ASSERT_TRUE(wait_until([&] { return app.desktop.tray_icon_present(); }));
    ASSERT_TRUE(hide_to_tray());
    EXPECT_FALSE(window->isVisible());

    // A host already on the bus at the start is found by the first list of
    // names, and its going is noticed, with a call of changed.
    int changes = 0;
    tk::qt::WatcherState state([&] { ++changes; });
    ASSERT_TRUE(wait_until([&] { return state.known(); }));
    EXPECT_TRUE(state.host_up());
    const int before = changes;
    next.reset();
    EXPECT_TRUE(wait_until([&] { return !state.host_up(); }));
    EXPECT_FALSE(state.host_maybe_up());
    EXPECT_GT(changes, before);
    EXPECT_TRUE(wait_until([&] { return window->isVisible(); }));
    EXPECT_TRUE(window->isMinimized());

    // Plasma's watcher again, this time before its shell (a log-in, a shell
    // that restarts).
    kde.reset();
    ASSERT_TRUE(wait_until([] { return !owned(kWatcherName); }));
    kde = std::make_unique<FakeWatcher>("kde");
    ASSERT_TRUE(wait_until([] { return owned(kWatcherName); }));
    ASSERT_TRUE(register_item());
    ASSERT_TRUE(wait_until([&] { return app.desktop.tray_icon_present() && probe.host_up(); }));
    shell = start_shell("org.kde.StatusNotifierHost-4004");
    ASSERT_TRUE(shell);
    ASSERT_TRUE(hide_to_tray());
    EXPECT_FALSE(window->isVisible());
    shell.reset();
    EXPECT_TRUE(wait_until([&] { return window->isVisible(); }));
    EXPECT_TRUE(window->isMinimized());
}

// Items register in a burst (many programs at log-in) with a watcher slow to
// answer: the state settles with the program's item among them, and /AUTO's
// window stays in the tray past the time an unlisted item is given.
TEST(TrayWithABusyWatcher, ABurstOfRegistrationsLeavesTheAutoWindowInTheTray) {
    if (!qEnvironmentVariableIsSet(kBusyWatcherRun))
        return run_in_own_session(kBusyWatcherRun, "TrayWithABusyWatcher.*");
    FakeWatcher busy("busy");
    ASSERT_TRUE(wait_until([] { return owned(kWatcherName); }));
    QtApp app("/AUTO");
    QWidget* window = widget(*app.w);
    auto idle = [] {
        const QDBusMessage m = QDBusConnection::sessionBus().call(
            QDBusMessage::createMethodCall(kWatcherName, "/StatusNotifierWatcher", kWatcherName, "Idle"));
        return m.arguments().value(0).toBool();
    };
    bool shown = false;
    QElapsedTimer watched;
    watched.start();
    // Watched until the burst is over and the registration's 5 s are past.
    while ((!idle() || watched.elapsed() < 7000) && watched.elapsed() < 60000) {
        shown = shown || window->isVisible();
        QTest::qWait(20);
    }
    EXPECT_TRUE(idle());
    EXPECT_FALSE(shown);
    EXPECT_TRUE(app.desktop.tray_icon_present());
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    if (qEnvironmentVariableIsSet(kClaimingWatcherRole))
        return run_claiming_watcher(qEnvironmentVariable(kClaimingWatcherRole));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
