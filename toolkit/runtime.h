#pragma once
// Ties the behaviour code to one backend: its platform and the scheduler.
#include <exception>
#include <string>
#include <utility>

#include "toolkit/platform.h"
#include "toolkit/scheduler.h"

namespace tk {

inline constexpr int vbCritical = 16;

class Runtime {
public:
    explicit Runtime(Platform& platform);
    Platform& platform() const { return platform_; }
    Scheduler& scheduler() { return scheduler_; }

    // Runs one event handler unless the program has ended; what a handler
    // without an error mode lets through goes to the platform.
    template <class F>
    void dispatch(F&& handler) {
        if (ended_) return;
        try {
            std::forward<F>(handler)();
        } catch (const std::exception& e) {
            platform_.unhandled_error(e);
        }
    }

    // A modal message box; no timer fires while it is open.
    int msgbox(const std::string& prompt, int style, const std::string& title);

    bool ended() const { return ended_; }
    // The end of the program: nothing runs afterwards.
    void end();

private:
    Platform& platform_;
    Scheduler scheduler_;
    bool ended_ = false;
};

}  // namespace tk
