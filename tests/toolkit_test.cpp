// SPDX-License-Identifier: GPL-3.0-or-later
// The form model and the scheduler under the program's own windows.
#include <cmath>
#include <optional>
#include <vector>

#include <gtest/gtest.h>

#include "harness.h"
#include "toolkit/error.h"
#include "toolkit/errmode.h"
#include "toolkit/text.h"
#include "toolkit/units.h"

using test::App;
using tk::headless::RecordingPeer;

namespace {

int changes(tk::Control& c, tk::Prop p) { return static_cast<RecordingPeer*>(c.peer(test::key()))->count(p); }

}  // namespace

TEST(Setters, UnchangedValuesReachNoPeerAndImpossibleOnesAreRefused) {
    App app;
    frmMain& w = app.start();
    tk::Label& l = w.lblStatus;
    const int before = changes(l, tk::Prop::Caption);
    l.set_caption("Готов");  // the same text
    EXPECT_EQ(changes(l, tk::Prop::Caption), before);
    l.set_caption("Ready");
    EXPECT_EQ(changes(l, tk::Prop::Caption), before + 1);

    // A steady refresh repaints nothing.
    app.advance(5);
    const int widths = changes(w.picAvailablePhysical, tk::Prop::Geometry);
    const int captions = changes(w.lblFreePhysicalShow, tk::Prop::Caption);
    app.advance(100);
    EXPECT_EQ(changes(w.picAvailablePhysical, tk::Prop::Geometry), widths);
    EXPECT_EQ(changes(w.lblFreePhysicalShow, tk::Prop::Caption), captions);

    EXPECT_THROW(w.picOldPhysical.set_width(-1), tk::Error);
    EXPECT_THROW(w.picOldPhysical.set_left(std::nan("")), tk::Error);
    EXPECT_THROW(w.picOldPhysical.set_width(5e9), tk::Error);
    EXPECT_EQ(w.picOldPhysical.width(), 2775);
    w.picOldPhysical.set_left(-385);  // a position left of the container is fine
    EXPECT_EQ(w.picOldPhysical.left(), -385);
}

TEST(Scheduler, FiresByDueTimeThenCreationAndHoldsWhileABoxIsOpen) {
    tk::headless::HeadlessSystem os;
    tk::headless::HeadlessDesktop desk;
    tk::Runtime rt(os, desk);
    tk::Form f(rt, "f");
    std::string order;
    tk::Timer a(f, "a", 10, false, ""), b(f, "b", 5, false, ""), c(f, "c", 10, false, "");
    a.on_timer = [&] { order += 'a'; };
    b.on_timer = [&] { order += 'b'; };
    c.on_timer = [&] { order += 'c'; };
    c.set_enabled(true);
    a.set_enabled(true);
    b.set_enabled(true);
    rt.scheduler().advance(10);
    EXPECT_EQ(order, "babc");  // b alone at 5; at 10 by creation order

    // Re-enabling a running timer keeps its schedule.
    order.clear();
    b.set_enabled(false);
    c.set_enabled(false);
    rt.scheduler().advance(5);  // now 15
    a.set_enabled(true);
    rt.scheduler().advance(5);  // a due at 20
    EXPECT_EQ(order, "a");

    // While a box is open nothing fires; afterwards one tick, not a burst.
    order.clear();
    desk.on_message_box = [&](const tk::headless::MessageBoxCall&) { rt.scheduler().advance(1000); };
    rt.msgbox("x", 16, "Error");
    EXPECT_EQ(order, "");
    rt.scheduler().advance(0);
    EXPECT_EQ(order, "a");
}

TEST(ErrorModes, ResumeNextSkipsOnlyTheFailingStep) {
    std::string done;
    tk::resume_next([&] { done += '1'; }, [&] { throw tk::Error(tk::ErrorCode::Overflow, "x"); },
                    [&] { done += '3'; });
    EXPECT_EQ(done, "13");
    bool handled = false;
    tk::catch_all([&] { throw std::bad_alloc(); }, [&] { handled = true; });
    EXPECT_TRUE(handled);
}

TEST(Text, NumbersRoundTripAsShortestDecimalText) {
    EXPECT_EQ(tk::number_text(4.0), "4");
    EXPECT_EQ(tk::number_text(-1.0), "-1");
    EXPECT_EQ(tk::number_text(0.1), "0.1");
    EXPECT_EQ(tk::number_text(-0.0), "0");
    EXPECT_EQ(tk::text_number(" 2 "), 2);
    EXPECT_EQ(tk::text_number("1e3"), 1000);
    EXPECT_THROW(tk::text_number(""), tk::Error);
    EXPECT_THROW(tk::text_number("4x"), tk::Error);
    EXPECT_EQ(tk::upper_ascii("/quit ä"), "/QUIT ä");
    EXPECT_EQ(tk::upper_ascii("/qu\xc4\xb1t"), "/QU\xc4\xb1T");  // dotless i stays
}

// The backends place windows in whole pixels: a leftover pixel goes to the
// right, also when the window is larger than the screen (no rounding to zero).
TEST(Placing, CentringFloorsTheLeftoverOnBothSides) {
    EXPECT_EQ(tk::centred_start(0, 1024, 300), 362);
    EXPECT_EQ(tk::centred_start(100, 1025, 300), 462);
    EXPECT_EQ(tk::centred_start(0, 640, 641), -1);
    EXPECT_EQ(tk::centred_start(10, 640, 700), -20);
}

TEST(Input, ADisabledWindowTakesNoInputButTheTrayMenuStillWorks) {
    App app;
    frmMain& w = app.start();
    w.set_enabled(false);
    EXPECT_FALSE(app.choose("mnuDefragMemory1"));
    EXPECT_FALSE(app.press(tk::Shortcut::CtrlF));
    EXPECT_FALSE(app.dbl_click("Frame1"));
    EXPECT_TRUE(w.visible());
    EXPECT_TRUE(app.choose_in_popup("mnuShow"));
    EXPECT_FALSE(w.visible());
    // The invisible pop-up menu is never reachable from the menu bar.
    w.set_enabled(true);
    EXPECT_FALSE(app.choose("mnuExit2"));
    EXPECT_FALSE(app.choose("mnuLine"));
}

TEST(Input, EnterPressesTheFocusedButtonElseTheDefaultAndEscTheCancelOne) {
    App app;
    frmMain& w = app.start();
    ASSERT_TRUE(app.press(tk::Shortcut::F1));
    frmAbout& a = *app.about();
    EXPECT_EQ(a.default_button(), &a.cmdOK);
    EXPECT_EQ(a.cancel_button(), &a.cmdOK);
    EXPECT_EQ(w.default_button(), nullptr);
    EXPECT_FALSE(w.user_key(test::key(), tk::Key::Enter, nullptr));  // disabled under the box, and no button anyway

    // Enter on the focused system button starts the tool, not OK.
    app.os.set_reg_string("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH", "C:\\msinfo32.exe");
    app.os.files.insert("C:\\msinfo32.exe");
    EXPECT_TRUE(a.user_key(test::key(), tk::Key::Enter, &a.cmdSysInfo));
    EXPECT_EQ(app.os.started.size(), 1u);
    EXPECT_TRUE(app.about_open());
    // A focused control that is no button: the default one.
    EXPECT_TRUE(a.user_key(test::key(), tk::Key::Enter, &a.picIcon));
    EXPECT_FALSE(app.about_open());
    ASSERT_TRUE(app.press(tk::Shortcut::F1));
    EXPECT_TRUE(app.about()->user_key(test::key(), tk::Key::Escape, &app.about()->cmdSysInfo));
    EXPECT_FALSE(app.about_open());
    EXPECT_EQ(app.os.started.size(), 1u);
    EXPECT_TRUE(w.enabled());
}

// The questions every backend asks of the form tree: what an entry shows,
// whether it opens a menu, whether the window has a menu bar and who owns it.
TEST(FormTree, EntriesMenuBarAndOwnerAreAnsweredByTheModel) {
    App app;
    frmMain& w = app.start();
    EXPECT_EQ(w.mnuDefragMemory1.display_text(), "Отчистить   \tCtrl+F");
    EXPECT_EQ(w.mnuAbout.display_text(), "О программе   \tF1");
    EXPECT_EQ(w.mnuShow.display_text(), w.mnuShow.caption());
    EXPECT_TRUE(w.mnuFile.has_entries());
    EXPECT_TRUE(w.mnuPopUp.has_entries());
    EXPECT_FALSE(w.mnuDefragMemory1.has_entries());
    EXPECT_FALSE(w.mnuLine.has_entries());

    // A title on the menu bar never shows keys, even with a shortcut.
    tk::Menu keyed(w, w, "mnuKeyed", "Keyed", tk::Shortcut::CtrlT);
    EXPECT_EQ(keyed.display_text(), "Keyed");
    keyed.set_visible(false);

    // The bar is there while a top-level menu is visible; the hidden pop-up
    // menu does not count.
    EXPECT_TRUE(w.has_menu_bar());
    w.mnuFile.set_visible(false);
    EXPECT_TRUE(w.has_menu_bar());
    w.mnuHelp.set_visible(false);
    EXPECT_FALSE(w.has_menu_bar());
    w.mnuHelp.set_visible(true);
    EXPECT_TRUE(w.has_menu_bar());

    EXPECT_EQ(w.owner_form(), nullptr);
    ASSERT_TRUE(app.press(tk::Shortcut::F1));
    frmAbout& a = *app.about();
    EXPECT_FALSE(a.has_menu_bar());
    EXPECT_EQ(a.owner_form(), &w);
    // A window without a task-bar entry and nothing loaded that has one.
    tk::Form lone(app.rt, "frmLone");
    lone.show_in_taskbar = false;
    lone.load();
    EXPECT_EQ(lone.owner_form(), &w);
    w.show_in_taskbar = false;
    EXPECT_EQ(lone.owner_form(), nullptr);
    w.show_in_taskbar = true;
    lone.unload();
    EXPECT_FALSE(lone.loaded());
}

// A menu that changed while it was open may hand back an entry that is gone,
// whose place another form's entry may have taken: choosing it does nothing.
TEST(FormTree, AnEntryNoLongerOnTheFormIsRefused) {
    App app;
    frmMain& w = app.start();
    tk::Form other(app.rt, "frmOther");
    tk::Menu title(other, other, "mnuTitle", "Title");
    other.load();

    int mine = 0, theirs = 0;
    std::optional<tk::Menu> extra;
    extra.emplace(w, w.mnuPopUp, "mnuExtra", "Extra");
    extra->on_click = [&mine] { ++mine; };
    tk::Menu* chosen = &*extra;
    EXPECT_TRUE(w.user_choose(test::key(), *chosen, /*via_popup=*/true));
    EXPECT_EQ(mine, 1);

    // Same address, now an entry of the other form.
    extra.reset();
    extra.emplace(other, title, "mnuEntry", "Entry");
    extra->on_click = [&theirs] { ++theirs; };
    ASSERT_EQ(&*extra, chosen);
    EXPECT_FALSE(w.user_choose(test::key(), *chosen, /*via_popup=*/true));
    EXPECT_FALSE(w.user_choose(test::key(), *chosen));
    EXPECT_EQ(theirs, 0);
    EXPECT_TRUE(other.user_choose(test::key(), *chosen));
    EXPECT_EQ(theirs, 1);
    EXPECT_EQ(mine, 1);
}

// What a handler without an error mode lets through: one box, then the main
// window unloads (so the tray icon goes) and the program ends.
TEST(UnexpectedError, OneBoxThenTheMainWindowUnloadsAndTheProgramEnds) {
    for (bool from_timer : {false, true}) {
        App app;
        frmMain& w = app.start();
        app.advance(5);
        std::string box_while_icon;
        app.desk.on_message_box = [&](const tk::headless::MessageBoxCall&) {
            box_while_icon = app.desk.tray_icon.shown ? "icon" : "no icon";
        };
        auto fail = [] { throw tk::Error(tk::ErrorCode::Overflow, "Overflow"); };
        if (from_timer) {
            w.tmrLoosePicOld.on_timer = fail;
            w.tmrLoosePicOld.set_enabled(true);
            app.advance(5000);
        } else {
            w.mnuDefragMemory1.on_click = fail;
            app.choose("mnuDefragMemory1");
        }
        ASSERT_EQ(app.desk.boxes.size(), 1u) << from_timer;
        EXPECT_EQ(app.desk.boxes[0].prompt, "Run-time error '6':\n\nOverflow");
        EXPECT_EQ(app.desk.boxes[0].style, 16);
        EXPECT_EQ(app.desk.boxes[0].title, "Error");
        EXPECT_EQ(box_while_icon, "icon");
        EXPECT_FALSE(app.desk.tray_icon.shown);
        EXPECT_EQ(app.desk.ends, 1);
        EXPECT_EQ(app.desk.unhandled, std::vector<std::string>{"Overflow"});
        const auto readings = app.os.reading_count;
        app.advance(1000);
        EXPECT_EQ(app.os.reading_count, readings);
    }
}

TEST(UnexpectedError, AnErrorInTheUnloadStillEndsWithOneBox) {
    App app;
    frmMain& w = app.start();
    w.on_unload = [&](std::int16_t&) {
        w.unload();  // an unload started from inside the unload changes nothing
        throw std::runtime_error("unload failed");
    };
    w.mnuAbout.on_click = [] { throw std::runtime_error("first"); };
    app.press(tk::Shortcut::F1);
    EXPECT_EQ(app.desk.boxes.size(), 1u);
    EXPECT_EQ(app.desk.ends, 1);
    EXPECT_TRUE(app.rt.ended());
}

// Log-off, shut-down or SIGTERM: the start-up window unloads even under the
// About box, which disables it; the runtime ends once and only once.
TEST(SessionEnd, UnloadsTheMainWindowEvenUnderTheAboutBoxAndEndsOnce) {
    {
        App app;
        app.rt.end_session();  // before any window: nothing to unload yet
        EXPECT_FALSE(app.rt.ended());
        frmMain& w = app.start();
        ASSERT_TRUE(app.choose("mnuAbout"));
        ASSERT_FALSE(w.enabled());
        app.rt.end_session();
        EXPECT_FALSE(w.loaded());
        EXPECT_FALSE(app.about_open());
        EXPECT_FALSE(app.desk.tray_icon.shown);
        EXPECT_TRUE(app.rt.ended());
        EXPECT_EQ(app.desk.ends, 1);
        app.rt.end_session();
        EXPECT_EQ(app.desk.ends, 1);
        EXPECT_TRUE(app.desk.boxes.empty());
    }
    {
        // A failing unload is an unexpected error like any other.
        App app;
        frmMain& w = app.start();
        w.on_unload = [](std::int16_t&) { throw std::runtime_error("unload failed"); };
        app.rt.end_session();
        EXPECT_EQ(app.desk.boxes.size(), 1u);
        EXPECT_EQ(app.desk.ends, 1);
        EXPECT_TRUE(app.rt.ended());
    }
}

TEST(Scheduler, AHandlerMayStopOrDestroyATimerDueInTheSamePass) {
    tk::headless::HeadlessSystem os;
    tk::headless::HeadlessDesktop desk;
    tk::Runtime rt(os, desk);
    tk::Form f(rt, "f");
    std::string order;
    auto doomed = std::make_unique<tk::Timer>(f, "doomed", 10, true, "");
    tk::Timer first(f, "first", 10, false, ""), stopped(f, "stopped", 10, false, "");
    first.set_enabled(true);
    stopped.set_enabled(true);
    // All three are due at 10; "doomed" was made first and runs first.
    doomed->on_timer = [&] {
        order += 'd';
        stopped.set_enabled(false);
    };
    first.on_timer = [&] {
        order += 'f';
        doomed.reset();
    };
    stopped.on_timer = [&] { order += 's'; };
    rt.scheduler().advance(10);
    EXPECT_EQ(order, "df");
    order.clear();
    stopped.set_enabled(true);
    first.on_timer = [&] { order += 'f'; };
    rt.scheduler().advance(10);
    EXPECT_EQ(order, "fs");
    EXPECT_EQ(f.find_timer("doomed"), nullptr);
}

TEST(Scheduler, DesktopTicksFollowTheSixtyFourthSecondGridWithoutBursts) {
    tk::headless::HeadlessSystem os;
    tk::headless::HeadlessDesktop desk;
    tk::Runtime rt(os, desk);
    tk::Form f(rt, "f");
    std::int64_t clock = 0;
    int fired = 0;
    tk::Timer t(f, "t", 1, true, "");
    t.on_timer = [&] { ++fired; };
    // Ticks fall on 15.625 ms steps, rounded up to whole ms: 16, 32, 47, 63, ...
    clock = 3;
    EXPECT_EQ(rt.tick([&] { return clock; }), 13);
    clock = 16;
    EXPECT_EQ(rt.tick([&] { return clock; }), 16);
    EXPECT_EQ(fired, 2);
    clock = 47;
    EXPECT_EQ(rt.tick([&] { return clock; }), 16);
    // A handler that takes long: the next tick is counted from its end.
    t.on_timer = [&] {
        ++fired;
        clock += 40;
    };
    clock = 63;
    EXPECT_EQ(rt.tick([&] { return clock; }), 7);  // 103 -> 110
    // Exactly on a grid point the next one is a whole step away, never 0.
    t.on_timer = [&] { ++fired; };
    clock = 125;
    EXPECT_EQ(rt.tick([&] { return clock; }), 16);
    clock = 2000;  // a late tick fires once, not once per missed step
    const int before = fired;
    EXPECT_GE(rt.tick([&] { return clock; }), 1);
    EXPECT_EQ(fired, before + 1);
}

TEST(Scheduler, ATimerEnabledInsideALongHandlerCountsFromThatMoment) {
    tk::headless::HeadlessSystem os;
    tk::headless::HeadlessDesktop desk;
    tk::Runtime rt(os, desk);
    tk::Form f(rt, "f");
    std::int64_t clock = 0;
    rt.scheduler().set_clock([&] { return clock; });
    tk::Timer slow(f, "slow", 1, true, ""), later(f, "later", 1000, false, "");
    std::vector<std::int64_t> fired;
    slow.on_timer = [&] {
        slow.set_enabled(false);
        clock += 300;  // the handler's work
        later.set_enabled(true);
        later.set_enabled(true);  // enabling it again keeps its schedule
    };
    later.on_timer = [&] { fired.push_back(clock); };
    clock = 100;
    rt.tick([&] { return clock; });
    EXPECT_FALSE(slow.enabled());
    clock = 1399;
    rt.tick([&] { return clock; });
    EXPECT_TRUE(fired.empty());
    clock = 1400;
    rt.tick([&] { return clock; });
    // Firing reschedules from the firing: a late tick moves the next one too.
    clock = 2450;
    rt.tick([&] { return clock; });
    clock = 3449;
    rt.tick([&] { return clock; });
    clock = 3450;
    rt.tick([&] { return clock; });
    EXPECT_EQ(fired, (std::vector<std::int64_t>{1400, 2450, 3450}));

    // Off and on again between ticks counts from the moment it is enabled.
    later.set_enabled(false);
    clock = 3700;
    later.set_enabled(true);
    clock = 4699;
    rt.tick([&] { return clock; });
    EXPECT_EQ(fired.size(), 3u);
    clock = 4700;
    rt.tick([&] { return clock; });
    EXPECT_EQ(fired.size(), 4u);

    // Held up by less than a tick in its pass, it keeps the tick's pace.
    slow.on_timer = [&] {
        slow.set_enabled(false);
        clock += 5;
    };
    clock = 5699;
    slow.set_enabled(true);
    clock = 5700;
    rt.tick([&] { return clock; });
    clock = 6700;
    rt.tick([&] { return clock; });
    EXPECT_EQ(fired, (std::vector<std::int64_t>{1400, 2450, 3450, 4700, 5705, 6700}));
}
