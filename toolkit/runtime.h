// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Ties the behaviour code to the system's services, one desktop backend and
// the scheduler.
#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "toolkit/desktop.h"
#include "toolkit/scheduler.h"
#include "toolkit/system.h"

namespace tk {

class Form;

inline constexpr int vbCritical = 16;

class Runtime {
public:
    Runtime(System& system, Desktop& desktop);
    System& system() const { return system_; }
    Desktop& desktop() const { return desktop_; }
    Scheduler& scheduler() { return scheduler_; }

    // Runs one event handler unless the program has ended; what a handler
    // without an error mode lets through ends the program (unexpected_error).
    template <class F>
    void dispatch(F&& handler) {
        if (ended_) return;
        try {
            std::forward<F>(handler)();
        } catch (const std::exception& e) {
            unexpected_error(e);
        }
    }

    // An error no handler caught: one "Error" box, then the start-up window
    // unloads, so its tray icon goes, and the program ends.
    void unexpected_error(const std::exception& e);

    // The start-up window, whose unload ends the program.
    void set_main_form(Form* f) { main_form_ = f; }
    Form* main_form() const { return main_form_; }

    // The loaded forms, in the order they were loaded.
    const std::vector<Form*>& loaded_forms() const { return loaded_forms_; }
    void form_loaded(Form* f) { loaded_forms_.push_back(f); }
    void form_unloaded(Form* f) { std::erase(loaded_forms_, f); }

    // One tick of a desktop backend: fires what is due by clock() (ms since
    // start) and returns the milliseconds from the end of those handlers to
    // the next tick on the 1/64 s grid, at least 1, so a late tick is never
    // made up with a burst.
    static constexpr std::int64_t kTicksPerSecond = Scheduler::kTicksPerSecond;
    std::int64_t tick(const std::function<std::int64_t()>& clock);

    // A modal message box; no timer fires while it is open.
    int msgbox(const std::string& prompt, int style, const std::string& title);
    // The form a message box opened now belongs to: the last loaded form
    // that is shown, not minimised and takes input (the About box over the
    // main window it disables); none while every form is hidden in the tray.
    Form* box_owner() const;

    // The session's end (log-off, shut-down, the system's SIGTERM): the
    // start-up form unloads as its close box would, even while the About box
    // disables it, and its unload ends the program.
    void end_session();

    bool ended() const { return ended_; }
    // The end of the program: nothing runs afterwards.
    void end();

private:
    System& system_;
    Desktop& desktop_;
    Scheduler scheduler_;
    Form* main_form_ = nullptr;
    std::vector<Form*> loaded_forms_;
    bool ended_ = false;
    bool failing_ = false;
};

}  // namespace tk
