// SPDX-License-Identifier: GPL-3.0-or-later
// The display refresh: figures, bar scale, bar placement.
#include <cmath>

#include <gtest/gtest.h>

#include "harness.h"
#include "toolkit/error.h"

using test::App;
using test::MB;

namespace {

struct Panel {
    std::string total, used, free;
    double width, left;
    bool shown;
};

Panel physical(frmMain& w) {
    return {w.lblTotalPhysicalShow.caption(), w.lblUsedPhysicalShow.caption(), w.lblFreePhysicalShow.caption(),
            w.picAvailablePhysical.width(), w.picAvailablePhysical.left(), w.picAvailablePhysical.visible()};
}

Panel pagefile(frmMain& w) {
    return {w.lblTotalPagefileShow.caption(), w.lblUsedPagefileShow.caption(), w.lblFreePagefileShow.caption(),
            w.picAvailablePagefile.width(), w.picAvailablePagefile.left(), w.picAvailablePagefile.visible()};
}

// One refresh tick with these figures (MB).
frmMain& refreshed(App& app, std::uint64_t total, std::uint64_t free, std::uint64_t page_total,
                   std::uint64_t page_free) {
    app.os.set_memory_mb(total, free, page_total, page_free);
    if (!app.main) app.start();
    app.advance(1);
    return app.w();
}

}  // namespace

TEST(Refresh, PlaceholdersLastUntilTheFirstTick) {
    App app;
    frmMain& w = app.start();
    EXPECT_EQ(w.lblTotalPhysicalShow.caption(), "TOTAL");
    EXPECT_EQ(w.lblUsedPagefileShow.caption(), "USED");
    EXPECT_EQ(w.picAvailablePhysical.left(), 3720);
    app.advance(1);
    EXPECT_EQ(w.lblTotalPhysicalShow.caption(), "1024 MB");
    EXPECT_EQ(w.lblUsedPagefileShow.caption(), "1024 MB");
}

TEST(Refresh, ScaleAndBarFollowTheFigures) {
    App app;
    frmMain& w = refreshed(app, 256, 100, 256, 100);
    Panel p = physical(w);
    EXPECT_EQ(p.total, "256 MB");
    EXPECT_EQ(p.used, "156 MB");
    EXPECT_EQ(p.free, "100 MB");
    EXPECT_EQ(p.width, 1400);  // scale 14
    EXPECT_EQ(p.left, 2215);

    refreshed(app, 255, 255, 255, 255);
    p = physical(w);
    EXPECT_EQ(p.used, "0 MB");
    EXPECT_EQ(p.width, 3615);  // nothing used: the full length, not 14 x 255
    EXPECT_EQ(p.left, 0);

    refreshed(app, 1446, 100, 1446, 100);  // 3615 / 1446 = 2.5 -> 2
    EXPECT_EQ(w.lngWidthPerMB, 2);
    refreshed(app, 482, 100, 482, 100);  // 7.5 -> 8
    EXPECT_EQ(w.lngWidthPerMB, 8);

    refreshed(app, 1024, 1000, 1024, 1000);  // scale 4: longer than the box, cut at its left edge
    p = physical(w);
    EXPECT_EQ(p.width, 4000);
    EXPECT_EQ(p.left, -385);

    refreshed(app, 1024, 0, 1024, 512);
    p = physical(w);
    EXPECT_FALSE(p.shown);
    EXPECT_EQ(p.used, "1024 MB");
    EXPECT_EQ(p.free, "0 MB");
}

TEST(Refresh, AnEmptyPageFileKeepsThePhysicalScale) {
    App app;
    frmMain& w = refreshed(app, 256, 100, 0, 0);
    Panel p = pagefile(w);
    EXPECT_EQ(p.total, "0 MB");
    EXPECT_EQ(p.used, "0 MB");
    EXPECT_EQ(p.free, "0 MB");
    EXPECT_FALSE(p.shown);
    EXPECT_EQ(w.lngWidthPerMB, 14);
    EXPECT_TRUE(app.desk.unhandled.empty());
}

TEST(Refresh, LargeMachinesUseAFractionalScale) {
    for (std::uint64_t total : {24ull << 10, 64ull << 10, 1ull << 20}) {
        App app;
        const std::uint64_t free = total / 3 + 7;
        frmMain& w = refreshed(app, total, free, 4096, 1000);
        Panel p = physical(w);
        EXPECT_EQ(p.total, std::to_string(total) + " MB");
        EXPECT_EQ(p.used, std::to_string(total - free) + " MB");
        EXPECT_EQ(p.free, std::to_string(free) + " MB");
        EXPECT_NEAR(p.width, static_cast<double>(free) / total * 3615, 1.0) << total;
        EXPECT_EQ(p.left, 3615 - p.width);
        EXPECT_NEAR(pagefile(w).width, 1000.0 / 4096 * 3615, 1.0);
    }
    // Exactly 2048 MB still uses the whole-number scale: round(1.765) = 2.
    App app;
    refreshed(app, 2048, 1000, 2048, 1000);
    EXPECT_EQ(app.w().picAvailablePhysical.width(), 2000);
}

// Every figure is read fresh each time it is shown (the order shows in the
// next test); eighteen readings a tick is what the idle cost is measured by.
TEST(Refresh, EveryTickTakesEighteenFreshReadings) {
    App app;
    app.start();
    app.advance(1);
    const auto before = app.os.reading_count;
    app.advance(10);
    EXPECT_EQ(app.os.reading_count - before, 10u * 18);
}

TEST(Refresh, FiguresMovingBetweenReadingsAreShownAsRead) {
    App app;
    app.start();
    // Free memory falls by 1 MB with every reading of it.
    std::uint64_t free = 600 * MB;
    app.os.memory_script = [&](tk::MemField f) {
        switch (f) {
            case tk::MemField::AvailPhys: return free -= MB;
            case tk::MemField::TotalPhys: return std::uint64_t{1024 * MB};
            default: return std::uint64_t{0};
        }
    };
    app.advance(1);
    // used = 1024 - 599; free label = 598: two separate readings.
    EXPECT_EQ(app.w().lblUsedPhysicalShow.caption(), "425 MB");
    EXPECT_EQ(app.w().lblFreePhysicalShow.caption(), "598 MB");
}

TEST(Refresh, AFailingReadingSkipsOnlyItsStep) {
    App app;
    app.start();
    app.os.set_memory_mb(256, 100, 256, 100);
    app.advance(1);
    int n = 0;
    app.os.memory_script = [&](tk::MemField f) -> std::uint64_t {
        // The first reading of the run (the physical total label) fails.
        if (n++ == 0) throw tk::Error(tk::ErrorCode::InvalidCall, "no status");
        return f == tk::MemField::TotalPhys || f == tk::MemField::TotalPage ? 512 * MB : 128 * MB;
    };
    app.advance(1);
    EXPECT_EQ(app.w().lblTotalPhysicalShow.caption(), "256 MB");  // kept
    EXPECT_EQ(app.w().lblUsedPhysicalShow.caption(), "384 MB");
    EXPECT_EQ(app.w().picAvailablePhysical.width(), 128 * 7);
    EXPECT_TRUE(app.desk.unhandled.empty());
}

TEST(Refresh, AnImpossibleBarKeepsItsLastLength) {
    App app;
    frmMain& w = refreshed(app, 256, 100, 256, 100);
    // Free far beyond the total on a tiny machine: 3615 x 1 TB does not fit.
    refreshed(app, 1, 1ull << 20, 1, 1ull << 20);
    EXPECT_EQ(w.picAvailablePhysical.width(), 1400);
    EXPECT_EQ(w.lblFreePhysicalShow.caption(), "1048576 MB");
    EXPECT_EQ(w.lblUsedPhysicalShow.caption(), "-1048575 MB");
}
