// SPDX-License-Identifier: GPL-3.0-or-later
// Runs whose claim takes seconds: the timers they enable count from the run's
// end, not from the tick on which the run began.
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "harness.h"

using test::App;

namespace {

// The status line's texts and the virtual ms at which each appeared, stepping
// the clock 1 ms at a time until `until` or the program's end.
std::vector<std::pair<std::int64_t, std::string>> status_changes(App& app, std::int64_t until) {
    std::vector<std::pair<std::int64_t, std::string>> seen;
    std::string last = app.status();
    while (app.now() < until && app.desk.ends == 0) {
        app.advance(1);
        if (app.status() != last) {
            last = app.status();
            seen.emplace_back(app.now(), last);
        }
    }
    return seen;
}

}  // namespace

TEST(SlowRun, ClockMovesInsideTheClaimAndNothingFiresMeanwhile) {
    App app;
    app.os.claim_ms = 3000;
    frmMain& w = app.start();
    app.advance(10);
    const int refreshes = static_cast<int>(app.os.reading_count);
    ASSERT_TRUE(app.press(tk::Shortcut::CtrlF));
    app.advance(1);  // the run starts at 11 and takes 3 s
    EXPECT_EQ(app.now(), 3011);
    EXPECT_EQ(app.os.claims, 1);
    // The run's tick refreshed once before it; nothing ran during the claim.
    EXPECT_EQ(static_cast<int>(app.os.reading_count), refreshes + 18);
    EXPECT_TRUE(w.tmrLoosePicOld.enabled());
    // The refresh it held up runs once when the run returns, not once per
    // missed ms, and then keeps its pace.
    app.advance(0);
    EXPECT_EQ(static_cast<int>(app.os.reading_count), refreshes + 36);
    app.advance(1);
    EXPECT_EQ(static_cast<int>(app.os.reading_count), refreshes + 54);
}

TEST(SlowRun, MarkersGoFiveSecondsAfterTheEndOfTheRun) {
    App app;
    app.os.set_memory_mb(1024, 500, 1024, 300);
    app.os.claim_ms = 3000;
    frmMain& w = app.start();
    app.advance(1);
    ASSERT_TRUE(app.press(tk::Shortcut::CtrlF));
    app.advance(1);
    const std::int64_t run_end = app.now();
    ASSERT_EQ(run_end, 3002);
    app.advance(1);  // the refresh after the run reveals both markers
    ASSERT_TRUE(w.picOldPhysical.visible());
    ASSERT_TRUE(w.picOldPagefile.visible());
    app.advance(run_end + 4999 - app.now());
    EXPECT_TRUE(w.picOldPhysical.visible());
    EXPECT_TRUE(w.picOldPagefile.visible());
    app.advance(1);
    EXPECT_FALSE(w.picOldPhysical.visible());
    EXPECT_FALSE(w.picOldPagefile.visible());
    EXPECT_FALSE(w.tmrLoosePicOld.enabled());
}

TEST(SlowRun, CountdownStepsASecondApartFromTheEndOfTheRun) {
    for (const std::int64_t claim : {1, 999, 1000, 2500, 7000}) {
        SCOPED_TRACE(claim);
        App app;
        app.os.claim_ms = claim;
        app.start();
        app.advance(5);
        ASSERT_TRUE(app.press(tk::Shortcut::CtrlQ));
        app.advance(1);
        const std::int64_t run_end = app.now();
        ASSERT_EQ(run_end, 6 + claim);
        EXPECT_EQ(app.status(), "Done, quitting in 3...");
        const auto seen = status_changes(app, run_end + 10'000);
        EXPECT_EQ(seen, (std::vector<std::pair<std::int64_t, std::string>>{
                            {run_end + 1000, "Done, quitting in 2..."},
                            {run_end + 2000, "Done, quitting in 1..."},
                            {run_end + 3000, "Done, quitting in 0..."},
                            {run_end + 4000, "Done, quitting in -1..."}}));
        EXPECT_EQ(app.desk.ends, 1);
        EXPECT_EQ(app.now(), run_end + 4000);
    }
}

TEST(SlowRun, QuitStartWithASlowClaimEndsFourSecondsAfterIt) {
    App app("/QUIT");
    app.os.claim_ms = 2500;
    frmMain& w = app.start();
    EXPECT_EQ(app.os.claims, 0);
    app.advance(1);
    const std::int64_t run_end = app.now();
    EXPECT_EQ(run_end, 2501);
    EXPECT_EQ(app.status(), "Done, quitting in 3...");
    app.advance(run_end + 3999 - app.now());
    EXPECT_EQ(app.desk.ends, 0);
    EXPECT_EQ(w.tmrQuit.tag(), "1");
    EXPECT_EQ(app.status(), "Done, quitting in 0...");
    app.advance(1);
    EXPECT_EQ(app.desk.ends, 1);
    EXPECT_EQ(app.status(), "Done, quitting in -1...");
}

TEST(SlowRun, AFailedSlowClaimLeavesNoTimerBehind) {
    App app;
    app.os.fail_claims = true;
    app.os.claim_ms = 4000;
    frmMain& w = app.start();
    app.press(tk::Shortcut::CtrlQ);
    app.advance(1);
    EXPECT_EQ(app.now(), 4001);
    EXPECT_EQ(app.desk.boxes.size(), 1u);
    EXPECT_EQ(app.status(), "Ready");
    EXPECT_FALSE(w.tmrQuit.enabled());
    EXPECT_FALSE(w.tmrLoosePicOld.enabled());
    EXPECT_TRUE(w.mnuFile.enabled());
}

TEST(SlowRun, TheWatchHeldUpByARunTicksOnceAfterItAndThenOnItsBeat) {
    // Ctrl+F a tick before the watch is due, on its due tick, and just after
    // it ticked: a 3 s claim delays the watch's tick, never doubles it.
    struct Row {
        std::int64_t press_at;
        std::vector<std::int64_t> ticks;
    };
    for (const Row& row : {Row{998, {3999, 4999, 5999}}, Row{999, {4000, 5000, 6000}},
                           Row{1000, {1000, 4001, 5001, 6001}}}) {
        SCOPED_TRACE(row.press_at);
        App app;
        app.os.claim_ms = 3000;
        frmMain& w = app.start();
        std::vector<std::int64_t> ticks;
        w.tmrCheckIfMemoryFull.on_timer = [&, tick = w.tmrCheckIfMemoryFull.on_timer] {
            ticks.push_back(app.rt.scheduler().clock());
            tick();
        };
        ASSERT_TRUE(app.press(tk::Shortcut::CtrlU));
        app.advance(row.press_at);
        ASSERT_TRUE(app.press(tk::Shortcut::CtrlF));
        app.advance(6500 - app.now());
        EXPECT_EQ(ticks, row.ticks);
        EXPECT_EQ(app.os.claims, 1);
    }
}
