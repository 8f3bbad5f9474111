// SPDX-License-Identifier: GPL-3.0-or-later
// Release runs, release commands, the low-memory watch and the countdown.
#include <sys/mman.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "harness.h"
#include "toolkit/error.h"
#include "toolkit/os/real_system.h"

using test::App;
using tk::headless::RecordingPeer;

namespace {

int caption_changes(tk::Control& c) {
    return static_cast<RecordingPeer*>(c.peer(test::key()))->count(tk::Prop::Caption);
}

}  // namespace

TEST(ReleaseRun, PlainModeLeavesReadyAndTheFadeTimer) {
    App app;
    frmMain& w = app.start();
    app.advance(1);
    ASSERT_TRUE(app.press(tk::Shortcut::CtrlF));
    EXPECT_EQ(app.status(), "Freeing up memory...");
    EXPECT_EQ(w.tmrDefragMemory.tag(), "1");
    EXPECT_EQ(app.os.claims, 0);  // never inside the request
    app.advance(1);
    EXPECT_EQ(app.os.claims, 1);
    EXPECT_EQ(app.os.last_claim_chars, 80'000'000u);
    EXPECT_EQ(app.os.held_blocks, 0);  // given back as the run returned
    EXPECT_EQ(app.status(), "Ready");
    EXPECT_TRUE(w.bDefragDone);
    EXPECT_TRUE(w.tmrLoosePicOld.enabled());
    EXPECT_FALSE(w.tmrDefragMemory.enabled());
    EXPECT_TRUE(w.mnuFile.enabled());
    EXPECT_TRUE(w.mnuHelp.enabled());
    EXPECT_FALSE(w.tmrQuit.enabled());
    app.advance(1);
    EXPECT_FALSE(w.bDefragDone);
    EXPECT_EQ(app.os.max_held_blocks, 1);
}

TEST(ReleaseRun, QuitModeStartsTheCountdownAndNeverSaysReady) {
    App app;
    frmMain& w = app.start();
    ASSERT_TRUE(app.choose("mnuDefragMemory2"));
    const int before = caption_changes(w.lblStatus);
    app.advance(1);
    EXPECT_EQ(app.status(), "Done, quitting in 3...");
    EXPECT_EQ(caption_changes(w.lblStatus), before + 1);  // "Ready" was never written
    EXPECT_FALSE(w.mnuFile.enabled());
    EXPECT_FALSE(w.mnuHelp.enabled());
    EXPECT_TRUE(w.tmrLoosePicOld.enabled());
    EXPECT_TRUE(w.tmrQuit.enabled());
    EXPECT_FALSE(app.choose("mnuDefragMemory1"));  // the file menu is shut
}

TEST(ReleaseRun, AFailedClaimShowsOneBoxThenReadyAndNothingElse) {
    for (const char* command : {"mnuDefragMemory1", "mnuDefragMemory2"}) {
        App app;
        app.os.fail_claims = true;
        frmMain& w = app.start();
        app.advance(1);
        std::string status_in_box;
        app.desk.on_message_box = [&](const tk::headless::MessageBoxCall&) { status_in_box = app.status(); };
        app.choose(command);
        app.advance(1);
        ASSERT_EQ(app.desk.boxes.size(), 1u) << command;
        EXPECT_EQ(app.desk.boxes[0].prompt, "Error defragmenting the memory!");
        EXPECT_EQ(app.desk.boxes[0].title, "Error");
        EXPECT_EQ(app.desk.boxes[0].style, 16);
        EXPECT_EQ(status_in_box, "Freeing up memory...");
        EXPECT_EQ(app.status(), "Ready");
        EXPECT_FALSE(w.bDefragDone);
        EXPECT_FALSE(w.tmrLoosePicOld.enabled());
        EXPECT_FALSE(w.tmrDefragMemory.enabled());
        EXPECT_FALSE(w.tmrQuit.enabled());
        EXPECT_TRUE(w.mnuFile.enabled());
        EXPECT_TRUE(w.mnuHelp.enabled());
        app.advance(10'000);
        EXPECT_EQ(app.desk.boxes.size(), 1u);  // no retry
        EXPECT_EQ(app.desk.ends, 0);
    }
}

TEST(ReleaseRun, TwoRequestsBeforeATickGiveOneRunInTheLastMode) {
    App app;
    frmMain& w = app.start();
    app.choose("mnuDefragMemory2");
    app.choose("mnuDefragMemory1");
    app.advance(1);
    EXPECT_EQ(app.os.claims, 1);
    EXPECT_EQ(app.status(), "Ready");
    EXPECT_FALSE(w.tmrQuit.enabled());
    app.advance(100);
    EXPECT_EQ(app.os.claims, 1);
}

// Under AddressSanitizer the process's resident count also holds the
// sanitizer's shadow of the block (an eighth of it), which the sanitizer writes
// and keeps after the block has gone; that figure says nothing about the block.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kShadowedMemory = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kShadowedMemory = true;
#else
constexpr bool kShadowedMemory = false;
#endif
#else
constexpr bool kShadowedMemory = false;
#endif

namespace {

unsigned long long status_kb(const char* key) {
    std::ifstream f("/proc/self/status");
    std::string line;
    while (std::getline(f, line))
        if (line.rfind(key, 0) == 0) return std::stoull(line.substr(std::string(key).size()));
    return 0;
}

// Pages of [data, data + bytes) in memory, or -1 when the range is not mapped.
long resident_pages(const void* data, std::size_t bytes) {
    const long page = ::sysconf(_SC_PAGESIZE);
    std::vector<unsigned char> in((bytes + page - 1) / page);
    if (::mincore(const_cast<void*>(data), bytes, in.data()) != 0) return -1;
    long n = 0;
    for (unsigned char c : in) n += c & 1;
    return n;
}

}  // namespace

TEST(ReleaseRun, TheRealClaimWritesEveryByteAndGivesItBack) {
    App app;
    tk::os::RealSystem real;
    app.os.claim_script = [&](std::size_t chars) { return real.blank_text(chars); };
    frmMain& w = app.start();
    const void* block = nullptr;
    std::size_t block_bytes = 0;
    long pages_held = 0, pages_after = 0;
    app.os.on_release = [&](const void* data, std::size_t bytes, bool given_back) {
        block = data;
        block_bytes = bytes;
        (given_back ? pages_after : pages_held) = resident_pages(data, bytes);
    };
    app.advance(1);
    std::ofstream("/proc/self/clear_refs") << "5";  // restart the peak count here
    const unsigned long long rss_before = status_kb("VmRSS:");
    const unsigned long long anon_before = status_kb("RssAnon:");
    app.choose("mnuDefragMemory1");
    app.advance(1);
    ASSERT_EQ(app.os.claims, 1) << "claim failed: " << app.os.failed_claims;
    const unsigned long long peak = status_kb("VmHWM:");
    const unsigned long long anon_after = status_kb("RssAnon:");

    // Every page of the block was in memory (written) when it was given back,
    // and afterwards the range is no longer mapped at all.
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block_bytes, 160'000'000u);
    const long page = ::sysconf(_SC_PAGESIZE);
    EXPECT_EQ(pages_held, static_cast<long>((block_bytes + page - 1) / page));
    EXPECT_EQ(pages_after, -1);

    // The kernel keeps resident counts per CPU and sums them lazily, so a
    // reading can lag by some dozens of pages; allow that much and no more.
    const unsigned long long counter_slack = 256 * 1024;
    EXPECT_GE((peak - rss_before) * 1024 + counter_slack, 160'000'000ull);
    if (!kShadowedMemory) {
        EXPECT_LT(anon_after, anon_before + 4 * 1024);  // back within a few MB
    }
    EXPECT_EQ(app.os.held_blocks, 0);
    EXPECT_EQ(app.status(), "Ready");
    EXPECT_TRUE(w.bDefragDone);
}

TEST(ReleaseBlock, HoldsTwoByteBlanksInEveryPosition) {
    tk::BlankText t = tk::os::blank_text(3'000'001);
    ASSERT_EQ(t.size(), 3'000'001u);
    std::size_t blanks = 0;
    for (std::size_t i = 0; i < t.size(); ++i) blanks += t.data()[i] == u' ';
    EXPECT_EQ(blanks, t.size());
    EXPECT_THROW(tk::os::blank_text(SIZE_MAX / 2), tk::Error);  // more than any machine has
}

TEST(Watch, ChecksOnEverySecondTickWithAStrictThreshold) {
    App app;
    app.os.set_memory_mb(200, 10, 100, 50);
    frmMain& w = app.start();
    ASSERT_TRUE(app.press(tk::Shortcut::CtrlU));
    EXPECT_TRUE(w.mnuDefragMemory3.checked());
    EXPECT_TRUE(w.tmrCheckIfMemoryFull.enabled());
    app.advance(1000);
    EXPECT_EQ(w.tmrCheckIfMemoryFull.tag(), "1");
    app.advance(1000);
    EXPECT_EQ(w.tmrCheckIfMemoryFull.tag(), "0");
    EXPECT_FALSE(w.tmrDefragMemory.enabled());  // 10 MB of 200 is exactly 5 %: not low
    EXPECT_EQ(app.status(), "Готов");
    app.os.set_memory_mb(200, 9, 100, 50);
    app.advance(1999);
    EXPECT_EQ(app.os.claims, 0);
    app.advance(1);
    EXPECT_EQ(app.status(), "Out of memory, freeing...");
    EXPECT_EQ(w.tmrDefragMemory.tag(), "1");
    app.advance(1);
    EXPECT_EQ(app.os.claims, 1);
    // While memory stays low: a run every 2,000 ms, each marked first.
    app.advance(10'000);
    EXPECT_EQ(app.os.claims, 6);
    EXPECT_TRUE(w.mnuDefragMemory3.checked());
}

TEST(Watch, OnAndOffBeforeTheSecondTickChecksNothing) {
    App app;
    app.os.set_memory_mb(200, 1, 100, 50);
    frmMain& w = app.start();
    app.choose("mnuDefragMemory3");
    app.advance(1500);
    app.choose("mnuDefragMemory3");
    EXPECT_FALSE(w.mnuDefragMemory3.checked());
    EXPECT_FALSE(w.tmrCheckIfMemoryFull.enabled());
    EXPECT_EQ(w.tmrCheckIfMemoryFull.tag(), "0");
    app.advance(10'000);
    EXPECT_EQ(app.os.claims, 0);
    // Switched on with memory already low: the first request comes 2,000 ms later.
    app.choose("mnuDefragMemory3");
    app.advance(1999);
    EXPECT_EQ(app.os.claims, 0);
    app.advance(2);
    EXPECT_EQ(app.os.claims, 1);
}

TEST(Watch, AnOpenErrorBoxHoldsEveryTimerSoBoxesNeverStack) {
    App app;
    app.os.set_memory_mb(1000, 10, 100, 50);
    app.os.fail_claims = true;
    frmMain& w = app.start();
    app.choose("mnuDefragMemory3");
    int nested = 0;
    app.desk.on_message_box = [&](const tk::headless::MessageBoxCall&) {
        nested = std::max(nested, app.desk.open_boxes);
        if (app.desk.boxes.size() == 1) app.advance(60'000);  // the user leaves it open a minute
    };
    app.advance(2001);
    EXPECT_EQ(app.desk.boxes.size(), 1u);
    EXPECT_EQ(nested, 1);
    EXPECT_EQ(app.status(), "Ready");
    // Closed: the watch picks up its rhythm again, one request per two ticks.
    const std::int64_t closed = app.now();
    app.advance(4000);
    EXPECT_EQ(app.desk.boxes.size(), 3u) << "since " << closed;
    EXPECT_EQ(nested, 1);
    EXPECT_TRUE(w.mnuDefragMemory3.checked());
}

// A failed run's box belongs to the window in front of the user, so it
// holds that window; with the window in the tray or minimised it has none.
TEST(Watch, TheErrorBoxBelongsToTheShownWindowOrToNone) {
    App app;
    app.os.set_memory_mb(1000, 10, 100, 50);
    app.os.fail_claims = true;
    frmMain& w = app.start();
    app.advance(1);
    app.choose("mnuDefragMemory1");
    app.advance(1);
    ASSERT_EQ(app.desk.boxes.size(), 1u);
    EXPECT_EQ(app.desk.boxes.back().owner, "frmMain");

    app.choose("mnuDefragMemory3");  // the watch asks every two seconds from now
    app.tray(0x203);                 // hidden in the tray
    ASSERT_FALSE(w.visible());
    app.advance(2001);
    ASSERT_EQ(app.desk.boxes.size(), 2u);
    EXPECT_EQ(app.desk.boxes.back().owner, "");

    app.tray(0x203);  // shown again, then minimised
    ASSERT_TRUE(w.visible());
    w.minimize();
    app.advance(2000);
    ASSERT_EQ(app.desk.boxes.size(), 3u);
    EXPECT_EQ(app.desk.boxes.back().owner, "");
}

TEST(Watch, ARequestDuringAPendingQuitReplacesIt) {
    App app;
    app.os.set_memory_mb(200, 1, 100, 50);
    frmMain& w = app.start();
    app.choose("mnuDefragMemory2");
    // A watch tick that reaches its check while the quit request is pending.
    w.tmrCheckIfMemoryFull.set_tag("1");
    w.tmrCheckIfMemoryFull_Timer();
    EXPECT_EQ(w.tmrDefragMemory.tag(), "1");
    EXPECT_EQ(app.status(), "Out of memory, freeing...");
    app.advance(1);
    EXPECT_EQ(app.os.claims, 1);
    EXPECT_EQ(app.status(), "Ready");
    EXPECT_FALSE(w.tmrQuit.enabled());
    EXPECT_TRUE(w.mnuFile.enabled());
}

TEST(Countdown, CountsFromThreeToMinusOneThenUnloads) {
    App app;
    frmMain& w = app.start();
    app.choose("mnuDefragMemory2");
    app.advance(1);
    const std::int64_t run_end = app.now();
    std::vector<std::string> seen;
    for (int s = 1; s <= 3; ++s) {
        app.advance(run_end + s * 1000 - 1 - app.now());
        seen.push_back(app.status());
        app.advance(1);
        EXPECT_EQ(w.tmrQuit.tag(), std::to_string(4 - s));
    }
    seen.push_back(app.status());
    EXPECT_EQ(app.desk.ends, 0);
    app.advance(run_end + 4000 - app.now());
    seen.push_back(app.status());
    EXPECT_EQ(seen, (std::vector<std::string>{"Done, quitting in 3...", "Done, quitting in 2...",
                                              "Done, quitting in 1...", "Done, quitting in 0...",
                                              "Done, quitting in -1..."}));
    EXPECT_EQ(app.desk.ends, 1);
    EXPECT_FALSE(app.desk.tray_icon.shown);
    app.advance(10'000);  // nothing runs after the end
    EXPECT_EQ(app.desk.ends, 1);
}

TEST(Countdown, ExitFromTheTrayMenuEndsAtOnce) {
    App app;
    app.start();
    app.choose("mnuDefragMemory2");
    app.advance(1500);
    app.desk.on_popup = [&](tk::Form&, tk::Menu&) { app.choose_in_popup("mnuExit2"); };
    app.tray(0x205);
    EXPECT_EQ(app.desk.ends, 1);
    EXPECT_EQ(app.status(), "Done, quitting in 2...");
}

TEST(Countdown, AWatchRunDuringItSaysReadyUntilTheNextTick) {
    App app;
    app.os.set_memory_mb(200, 1, 100, 50);
    frmMain& w = app.start();
    app.choose("mnuDefragMemory3");
    app.advance(500);
    app.choose("mnuDefragMemory2");
    app.advance(1);  // run at 501; countdown ticks at 1501, 2501, ...
    app.advance(1500);  // the watch requested at 2000 and its run said "Ready"
    EXPECT_EQ(app.status(), "Ready");
    app.advance(500);
    EXPECT_EQ(app.status(), "Done, quitting in 1...");
    EXPECT_TRUE(w.tmrCheckIfMemoryFull.enabled());
}
