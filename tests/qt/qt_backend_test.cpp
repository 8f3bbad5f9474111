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

#include <gtest/gtest.h>

#include "about/frmAbout.h"
#include "app/program.h"
#include "toolkit/qt/form_window.h"
#include "toolkit/qt/menu_peer.h"
#include "toolkit/qt/peers.h"
#include "qt_program.h"
#include "toolkit/qt/qt_desktop.h"
#include "toolkit/qt/tray_icon.h"

namespace {

using tk::qt::WidgetPeer;

using test::action;
using test::widget;
QString label_text(tk::Control& c) { return static_cast<tk::qt::LabelBox*>(widget(c))->text(); }

struct QtApp : test::QtProgram {
    using QtProgram::QtProgram;
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
    ASSERT_TRUE(w.user_shortcut(tk::Shortcut::F1));
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
    ASSERT_TRUE(w.user_shortcut(tk::Shortcut::F1));
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
    ASSERT_TRUE(app.w->user_shortcut(tk::Shortcut::CtrlT));
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

    EXPECT_TRUE(tk::qt::sends_one_activate_per_double_click("gnome-shell"));
    for (const char* other : {"plasmashell", "kded5", "xfce4-panel", "wrapper-2.0", "waybar", "lxqt-panel", ""})
        EXPECT_FALSE(tk::qt::sends_one_activate_per_double_click(other)) << other;
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

// Set in the copy of this test run in a session of its own, whose watcher
// never answers.
constexpr char kHangingWatcherRun[] = "TALUVEX_TEST_HANGING_WATCHER";

// A watcher that takes calls and never answers (a hung tray): hiding to the
// tray returns at once, the figures keep refreshing, and the window, hidden
// while the icon counted as present, comes back minimised once the watcher
// is found to have no host.
TEST(TrayWithAHangingWatcher, HidingReturnsAtOnceAndTheWindowStaysInReach) {
    if (!qEnvironmentVariableIsSet(kHangingWatcherRun)) {
        for (const char* tool : {"dbus-run-session", "dbus-test-tool"})
            ASSERT_FALSE(QStandardPaths::findExecutable(tool).isEmpty()) << tool << " is missing";
        QProcess run;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(kHangingWatcherRun, "1");
        run.setProcessEnvironment(env);
        run.setProcessChannelMode(QProcess::MergedChannels);
        run.start("dbus-run-session",
                  {"--", "sh", "-c",
                   "dbus-test-tool black-hole --session --name=org.kde.StatusNotifierWatcher & hole=$!; "
                   "\"$0\" --gtest_filter='TrayWithAHangingWatcher.*'; status=$?; kill $hole; exit $status",
                   QCoreApplication::applicationFilePath()});
        ASSERT_TRUE(run.waitForFinished(120000));
        const QString out = QString::fromLocal8Bit(run.readAll());
        EXPECT_EQ(run.exitCode(), 0) << out.toStdString();
        EXPECT_TRUE(out.contains("[  PASSED  ] 1 test")) << out.toStdString();
        return;
    }
    QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    ASSERT_NE(bus, nullptr);
    QElapsedTimer waited;
    waited.start();
    while (!bus->isServiceRegistered("org.kde.StatusNotifierWatcher") && waited.elapsed() < 20000) QTest::qWait(50);
    ASSERT_TRUE(bus->isServiceRegistered("org.kde.StatusNotifierWatcher"));

    QtApp app;
    frmMain& w = *app.w;
    QWidget* window = widget(w);
    // Nothing has been heard from the watcher yet: the icon counts as
    // present, and a blocking ask would wait out its time-out here (seconds).
    QElapsedTimer hiding;
    hiding.start();
    ASSERT_TRUE(w.user_shortcut(tk::Shortcut::CtrlT));
    EXPECT_LT(hiding.elapsed(), 1000);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(w.mnuShow.caption(), "&Show");

    // The figures refresh meanwhile; the window comes back minimised once
    // the watcher is given up on.
    w.lblTotalPhysicalShow.set_caption("stale");
    bool refreshed = false;
    waited.restart();
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
    ASSERT_TRUE(w.user_shortcut(tk::Shortcut::CtrlT));
    EXPECT_LT(hiding.elapsed(), 1000);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isMinimized());
    w.mnuShow_Click();
    EXPECT_FALSE(window->isMinimized());
}

// Set in the copy of this test run in a session of its own, with a watcher
// that claims a host whatever runs (as KDE's does); and in the copy that is
// that watcher.
constexpr char kClaimingWatcherRun[] = "TALUVEX_TEST_CLAIMING_WATCHER";
constexpr char kClaimingWatcherRole[] = "TALUVEX_TEST_BE_CLAIMING_WATCHER";

namespace {

// A StatusNotifier watcher that says a host is registered whatever runs and
// lists every item that registers.
class ClaimingWatcher : public QDBusVirtualObject {
public:
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& m, const QDBusConnection& bus) override {
        const QVariantMap props{{"IsStatusNotifierHostRegistered", true},
                                {"RegisteredStatusNotifierItems", items_},
                                {"ProtocolVersion", 0}};
        if (m.member() == "GetAll") {
            bus.send(m.createReply(QVariant::fromValue(props)));
        } else if (m.member() == "Get") {
            bus.send(m.createReply(QVariant::fromValue(QDBusVariant(props.value(m.arguments().value(1).toString())))));
        } else if (m.member() == "RegisterStatusNotifierItem") {
            const QString item = m.arguments().value(0).toString();
            items_ << (item.startsWith('/') ? m.service() + item : item);
            bus.send(m.createReply());
            bus.send(QDBusMessage::createSignal("/StatusNotifierWatcher", "org.kde.StatusNotifierWatcher",
                                                "StatusNotifierItemRegistered")
                     << item);
        } else {
            return false;
        }
        return true;
    }

private:
    QStringList items_;
};

int run_claiming_watcher() {
    ClaimingWatcher watcher;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerVirtualObject("/StatusNotifierWatcher", &watcher) ||
        !bus.registerService("org.kde.StatusNotifierWatcher"))
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

bool wait_until(const std::function<bool()>& done, int ms = 10000) {
    QElapsedTimer waited;
    waited.start();
    while (!done() && waited.elapsed() < ms) QTest::qWait(20);
    return done();
}

bool owned(const QString& name) {
    return QDBusConnection::sessionBus().interface()->isServiceRegistered(name);
}

}  // namespace

// A watcher that always says a host is registered (KDE's, with no
// plasmashell): the hosts' bus names tell. Before any is seen the watcher's
// word stands; once one has been, the tray is up only while one is on the bus.
TEST(TrayWithAWatcherThatAlwaysClaimsAHost, TheHostsBusNamesTellWhenTheTrayIsGone) {
    if (!qEnvironmentVariableIsSet(kClaimingWatcherRun)) {
        for (const char* tool : {"dbus-run-session", "dbus-test-tool"})
            ASSERT_FALSE(QStandardPaths::findExecutable(tool).isEmpty()) << tool << " is missing";
        QProcess run;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(kClaimingWatcherRun, "1");
        run.setProcessEnvironment(env);
        run.setProcessChannelMode(QProcess::MergedChannels);
        run.start("dbus-run-session", {"--", QCoreApplication::applicationFilePath(),
                                       "--gtest_filter=TrayWithAWatcherThatAlwaysClaimsAHost.*"});
        ASSERT_TRUE(run.waitForFinished(120000));
        const QString out = QString::fromLocal8Bit(run.readAll());
        EXPECT_EQ(run.exitCode(), 0) << out.toStdString();
        EXPECT_TRUE(out.contains("[  PASSED  ] 1 test")) << out.toStdString();
        return;
    }
    QProcess watcher;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(kClaimingWatcherRole, "1");
    watcher.setProcessEnvironment(env);
    watcher.start(QCoreApplication::applicationFilePath());
    ASSERT_TRUE(wait_until([] { return owned("org.kde.StatusNotifierWatcher"); }));
    // Qt makes no StatusNotifier item on the offscreen platform: this
    // process registers one, as Qt would.
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QDBusMessage reply = bus.call(QDBusMessage::createMethodCall("org.kde.StatusNotifierWatcher",
                                                                      "/StatusNotifierWatcher",
                                                                      "org.kde.StatusNotifierWatcher",
                                                                      "RegisterStatusNotifierItem")
                                        << bus.baseService());
    ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();

    QtApp app;
    frmMain& w = *app.w;
    QWidget* window = widget(w);
    auto hide_to_tray = [&] {
        w.show();
        return w.user_shortcut(tk::Shortcut::CtrlT);
    };
    // No host's name seen yet (a log-in before the shell, or GNOME Shell's
    // host, which owns none): the watcher is believed.
    ASSERT_TRUE(wait_until([&] { return app.desktop.tray_icon_present(); }));
    ASSERT_TRUE(hide_to_tray());
    EXPECT_FALSE(window->isVisible());

    // A shell's host comes; the window hidden to its tray comes back
    // minimised when the shell goes, though the watcher still claims a host.
    auto shell = std::make_unique<FakeHost>("org.kde.StatusNotifierHost-4001");
    ASSERT_TRUE(wait_until([] { return owned("org.kde.StatusNotifierHost-4001"); }));
    ASSERT_TRUE(hide_to_tray());
    EXPECT_FALSE(window->isVisible());
    QTest::qWait(300);
    EXPECT_FALSE(window->isVisible());  // not brought back while the host is up
    shell.reset();
    EXPECT_TRUE(wait_until([&] { return window->isVisible(); }));
    EXPECT_TRUE(window->isMinimized());
    EXPECT_FALSE(app.desktop.tray_icon_present());
    // Hiding now minimises.
    ASSERT_TRUE(hide_to_tray());
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isMinimized());

    // A new host, by the protocol's form of the name: hiding hides again.
    FakeHost next("org.freedesktop.StatusNotifierHost-4002");
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
    next.process.kill();
    EXPECT_TRUE(wait_until([&] { return !state.host_up(); }));
    EXPECT_FALSE(state.host_maybe_up());
    EXPECT_GT(changes, before);
    EXPECT_TRUE(wait_until([&] { return window->isVisible(); }));
    EXPECT_TRUE(window->isMinimized());
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    if (qEnvironmentVariableIsSet(kClaimingWatcherRole)) return run_claiming_watcher();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
