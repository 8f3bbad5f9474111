// The form model and the scheduler under the program's own windows.
#include <cmath>

#include <gtest/gtest.h>

#include "harness.h"
#include "toolkit/error.h"
#include "toolkit/errmode.h"
#include "toolkit/text.h"

using test::App;
using tk::headless::RecordingPeer;

namespace {

int changes(tk::Control& c, tk::Prop p) { return static_cast<RecordingPeer*>(c.peer())->count(p); }

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
    tk::headless::HeadlessPlatform os;
    tk::Runtime rt(os);
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
    os.on_message_box = [&](const tk::headless::MessageBoxCall&) { rt.scheduler().advance(1000); };
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
