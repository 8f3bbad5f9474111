// SPDX-License-Identifier: GPL-3.0-or-later
// Weeks in the tray, compressed: many real release runs with failed claims
// between them, then an hour of virtual time with wild memory figures, the
// watch on and the window shown and hidden. Nothing may fail, no box may
// appear but for the failed claims, and resident memory must come back.
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "harness.h"
#include "toolkit/os/real_system.h"

using test::App;

namespace {

// Anonymous memory only: the blocks are anonymous, while library pages that
// the test happens to touch for the first time would count in VmRSS.
long resident_kb() {
    std::ifstream f("/proc/self/status");
    std::string line;
    while (std::getline(f, line))
        if (line.rfind("RssAnon:", 0) == 0) return std::stol(line.substr(8));
    return -1;
}

}  // namespace

TEST(Soak, ReleaseRunsThenAnHourOfWildFigures) {
    App app;
    tk::os::RealSystem real;
    app.os.memory_script = [&](tk::MemField f) { return real.memory_figure(f); };
    app.os.claim_script = [&](std::size_t chars) { return real.blank_text(chars); };
    frmMain& w = app.start();
    int failed_boxes_expected = 0;
    app.desk.on_message_box = [&](const tk::headless::MessageBoxCall& box) {
        EXPECT_EQ(box.prompt, "Error defragmenting the memory!");
    };
    app.advance(10);
    const long rss_start = resident_kb();

    for (int run = 0; run < 200; ++run) {
        if (run % 5 == 4) {
            app.os.fail_claims = true;
            app.choose("mnuDefragMemory1");
            app.advance(2);
            ++failed_boxes_expected;
        }
        app.os.fail_claims = false;
        ASSERT_TRUE(app.choose("mnuDefragMemory1"));
        app.advance(2);
        ASSERT_EQ(app.status(), "Ready") << run;
    }
    EXPECT_EQ(app.os.claims, 200);
    EXPECT_EQ(app.os.max_held_blocks, 1);

    // An hour: every reading anywhere between 0 and 1 TB.
    std::uint64_t x = 0x9E3779B97F4A7C15ull;
    app.os.memory_script = [&](tk::MemField) {
        x ^= x << 13, x ^= x >> 7, x ^= x << 17;
        return x % ((1ull << 40) + 1);
    };
    app.os.claim_script = nullptr;
    app.choose("mnuDefragMemory3");
    const int failed_before = app.os.failed_claims;
    for (int minute = 0; minute < 60; ++minute) {
        app.os.fail_claims = minute % 7 == 3;
        app.advance(30'000);
        app.tray(0x203);  // shown and hidden in turn
        app.advance(30'000);
        if (minute % 10 == 9) {
            app.tray(0x205);
        }
    }
    failed_boxes_expected += app.os.failed_claims - failed_before;
    EXPECT_GT(app.os.claims, 200 + 20);  // the watch kept asking whenever a reading was low
    EXPECT_EQ(static_cast<int>(app.desk.boxes.size()), failed_boxes_expected);
    EXPECT_EQ(app.desk.ends, 0);
    EXPECT_TRUE(app.desk.unhandled.empty());
    EXPECT_TRUE(w.mnuDefragMemory3.checked());
    EXPECT_EQ(app.os.held_blocks, 0);
    const long rss_end = resident_kb();
    EXPECT_LE(rss_end, rss_start + 2048) << "start " << rss_start << " kB, end " << rss_end << " kB";
}
