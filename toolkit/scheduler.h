// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The scheduler owns every timer. Due timers fire one at a time, each handler
// running to its end, ordered by due time and then by creation. A timer that
// fires is due again one interval after the moment it fired, so a late tick
// is never made up with a burst; one held up in its pass by a long handler
// fires once when that returns and counts from then. A timer that is enabled
// counts its interval from the moment it is enabled, which may lie well after
// the start of the tick when an earlier step of the handler took long.
#include <cstdint>
#include <exception>
#include <functional>
#include <utility>
#include <vector>

namespace tk {

class Timer;

class Scheduler {
public:
    // The desktops' tick: 1/64 s, the Windows system tick.
    static constexpr std::int64_t kTicksPerSecond = 64;
    static constexpr std::int64_t kLateMs = 1000 / kTicksPerSecond;
    // The time of the current tick (ms): what firing timers count from.
    std::int64_t now() const { return now_; }
    // Backends set it at each tick; it never runs backwards.
    void set_now(std::int64_t ms) {
        if (ms > now_) now_ = ms;
        if (now_ > virtual_) virtual_ = now_;
    }
    // The clock a desktop backend runs on (ms, monotonic), read whenever a
    // timer is enabled. Without one the clock is virtual: it moves only by
    // advance() and elapse().
    void set_clock(std::function<std::int64_t()> clock) { clock_ = std::move(clock); }
    // The clock as it reads at this moment, inside a handler too.
    std::int64_t clock() const;
    // Virtual time that passes inside a handler (a slow claim, say): the
    // clock moves on, and nothing fires until the handler has returned.
    void elapse(std::int64_t ms) {
        if (ms > 0) virtual_ += ms;
    }
    // Fires every timer that is due at now(). Does nothing while held, stopped,
    // or from inside a timer handler (handlers never interleave).
    void run_due();
    // The earliest due time of an enabled timer, or INT64_MAX.
    std::int64_t next_due() const;
    // Virtual time: advance the clock by ms, firing timers at their due times.
    void advance(std::int64_t ms);

    // While held (an error message box is open) no timer fires.
    void hold() { ++holds_; }
    void release() {
        if (holds_ > 0) --holds_;
    }
    bool held() const { return holds_ > 0; }
    // After the program's end nothing fires again.
    void stop() { stopped_ = true; }
    bool stopped() const { return stopped_; }
    bool busy() const { return depth_ > 0; }

    // Where an error that a handler lets through goes (the dispatcher).
    std::function<void(const std::exception&)> on_unhandled;

    void add(Timer* t);
    void remove(Timer* t);
    void enabled_changed(Timer* t);

private:
    std::function<std::int64_t()> clock_;
    std::int64_t now_ = 0;
    std::int64_t virtual_ = 0;
    int holds_ = 0;
    int depth_ = 0;
    bool stopped_ = false;
    std::uint64_t next_seq_ = 0;
    std::vector<Timer*> timers_;
    std::vector<Timer*> due_scratch_;
};

}  // namespace tk
