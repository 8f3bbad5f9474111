// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/scheduler.h"

#include <algorithm>
#include <limits>

#include "toolkit/timer.h"

namespace tk {

void Scheduler::add(Timer* t) {
    t->seq_ = next_seq_++;
    timers_.push_back(t);
}

void Scheduler::remove(Timer* t) {
    timers_.erase(std::remove(timers_.begin(), timers_.end(), t), timers_.end());
    std::replace(due_scratch_.begin(), due_scratch_.end(), t, static_cast<Timer*>(nullptr));
}

std::int64_t Scheduler::clock() const {
    if (clock_) return std::max(now_, clock_());
    return virtual_;
}

void Scheduler::enabled_changed(Timer* t) {
    if (t->enabled_) t->due_ = clock() + std::max(t->interval_, 1);
}

std::int64_t Scheduler::next_due() const {
    std::int64_t best = std::numeric_limits<std::int64_t>::max();
    for (const Timer* t : timers_)
        if (t->enabled_ && t->due_ < best) best = t->due_;
    return best;
}

void Scheduler::run_due() {
    if (held() || stopped_ || depth_ > 0) return;
    std::vector<Timer*>& due = due_scratch_;
    due.clear();
    for (Timer* t : timers_)
        if (t->enabled_ && t->due_ <= now_) due.push_back(t);
    if (due.empty()) return;
    std::sort(due.begin(), due.end(), [](const Timer* a, const Timer* b) {
        return a->due_ != b->due_ ? a->due_ < b->due_ : a->seq_ < b->seq_;
    });
    ++depth_;
    // Index loop: a handler may destroy timers, which blanks them in this list.
    for (std::size_t i = 0; i < due.size(); ++i) {
        if (held() || stopped_) break;
        Timer* t = due[i];
        // An earlier handler in this pass may have stopped or rescheduled it.
        if (!t || !t->enabled_ || t->due_ > now_) continue;
        // Held up by an earlier handler of this pass for a tick or more, it
        // counts from its own firing, or it would fire again straight after.
        // Within a tick it keeps the tick's time, so the grid holds its pace.
        const std::int64_t fired = clock();
        const std::int64_t from = fired - now_ >= kLateMs ? fired : now_;
        t->due_ = from + std::max(t->interval_, 1);
        if (!t->on_timer) continue;
        try {
            t->on_timer();
        } catch (const std::exception& e) {
            if (on_unhandled) on_unhandled(e);
        }
    }
    --depth_;
}

void Scheduler::advance(std::int64_t ms) {
    const std::int64_t target = virtual_ + std::max<std::int64_t>(ms, 0);
    while (!stopped_ && !held() && depth_ == 0) {
        const std::int64_t due = next_due();
        if (due > target) break;
        // A handler that took long leaves the clock past the due time: the
        // next tick comes then, once.
        set_now(std::max(due, virtual_));
        run_due();
    }
    if (target > virtual_) virtual_ = target;
    // Inside a handler the tick's time stays; the clock alone moves on.
    if (depth_ == 0) now_ = virtual_;
}

}  // namespace tk
