// SPDX-License-Identifier: GPL-3.0-or-later
// Megabyte figures: two-decimal rounding, then halves to the even neighbour.
#include <gtest/gtest.h>

#include "harness.h"

using test::MB;

TEST(MegabyteFigure, FollowsTheTwoDecimalRuleAtTheEdges) {
    struct Case {
        std::uint64_t bytes;
        std::int64_t mb;
    } cases[] = {
        {0, 0},
        {524'289, 0},  // just over half a megabyte, but 0.50 goes to the even 0
        {529'530, 0},
        {529'531, 1},  // 0.505 and up
        {268'435'456, 256},
        {1'073'741'824, 1024},
        {2'147'483'647, 2048},
        {1'074'266'112, 1024},  // exactly 1024.5
        {1'075'314'688, 1026},  // exactly 1025.5
        {1'075'311'542, 1026},  // 1025.497 -> 1025.50 -> even 1026
        {1'074'268'210, 1024},  // 1024.502 -> 1024.50 -> even 1024
    };
    for (const Case& c : cases) EXPECT_EQ(MemoryRelease::MegabyteFigure(c.bytes), c.mb) << c.bytes;
}

TEST(MegabyteFigure, StaysExactOnLargeMachines) {
    const std::uint64_t gb24 = 24ull << 30, tb = 1ull << 40;
    EXPECT_EQ(MemoryRelease::MegabyteFigure(gb24), 24576);
    EXPECT_EQ(MemoryRelease::MegabyteFigure(64ull << 30), 65536);
    EXPECT_EQ(MemoryRelease::MegabyteFigure(tb), 1048576);
    EXPECT_EQ(MemoryRelease::MegabyteFigure(32768 * MB), 32768);  // beyond any 16-bit figure
    // The rounding rule holds at every size, not only below 2 GB.
    EXPECT_EQ(MemoryRelease::MegabyteFigure(tb + MB / 2), 1048576);           // .50 -> even
    EXPECT_EQ(MemoryRelease::MegabyteFigure(tb + MB + MB / 2), 1048578);      // .50 -> even
    EXPECT_EQ(MemoryRelease::MegabyteFigure(tb + 529'531), 1048577);          // .505
    EXPECT_EQ(MemoryRelease::MegabyteFigure(tb + 519'045), 1048576);          // .494999
    const std::uint64_t max = ~0ull;
    EXPECT_EQ(MemoryRelease::MegabyteFigure(max), static_cast<std::int64_t>((max >> 20) + 1));
    EXPECT_DOUBLE_EQ(MemoryRelease::BytesToMB(1'075'311'542), 1025.50);
    EXPECT_DOUBLE_EQ(MemoryRelease::BytesToMB(1536 * MB + MB / 4), 1536.25);
}

TEST(MemoryRelease, EveryGetterTakesItsOwnReading) {
    tk::headless::HeadlessSystem os;
    MemoryRelease m(os);
    std::uint64_t free_now = 100 * MB;
    os.memory_script = [&](tk::MemField f) {
        if (f == tk::MemField::AvailPhys) return free_now += MB;
        return std::uint64_t{1024 * MB};
    };
    EXPECT_EQ(m.GetAvailPhysicalMB(), 101);
    EXPECT_EQ(m.GetAvailPhysicalMB(), 102);
    EXPECT_EQ(m.GetTotalPhysicalMB(), 1024);
    EXPECT_EQ(os.reading_count, 3u);
}
