// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/runtime.h"

#include "toolkit/error.h"
#include "toolkit/form.h"

namespace tk {

Runtime::Runtime(System& system, Desktop& desktop) : system_(system), desktop_(desktop) {
    scheduler_.on_unhandled = [this](const std::exception& e) { unexpected_error(e); };
}

int Runtime::msgbox(const std::string& prompt, int style, const std::string& title) {
    scheduler_.hold();
    struct Release {
        Scheduler& s;
        ~Release() { s.release(); }
    } release{scheduler_};
    return desktop_.message_box(prompt, style, title, box_owner());
}

Form* Runtime::box_owner() const {
    for (auto it = loaded_forms_.rbegin(); it != loaded_forms_.rend(); ++it) {
        Form* f = *it;
        if (f->loaded() && f->visible() && !f->minimized() && f->enabled()) return f;
    }
    return nullptr;
}

void Runtime::unexpected_error(const std::exception& e) {
    if (ended_) return;
    desktop_.unhandled_error(e);
    // An error while ending for an error must not loop: end at once.
    if (failing_) {
        end();
        return;
    }
    failing_ = true;
    int code = 0;
    if (const auto* err = dynamic_cast<const Error*>(&e)) code = static_cast<int>(err->code());
    try {
        msgbox("Run-time error '" + std::to_string(code) + "':\n\n" + e.what(), vbCritical, "Error");
        if (main_form_ && main_form_->loaded()) main_form_->unload();
    } catch (...) {
    }
    failing_ = false;
    end();
}

std::int64_t Runtime::tick(const std::function<std::int64_t()>& clock) {
    if (!ended_) {
        scheduler_.set_now(clock());
        scheduler_.run_due();
    }
    const std::int64_t now = clock();
    const std::int64_t next_tick = now * kTicksPerSecond / 1000 + 1;
    const std::int64_t due = (next_tick * 1000 + kTicksPerSecond - 1) / kTicksPerSecond;
    return due - now > 1 ? due - now : 1;
}

void Runtime::end_session() {
    if (!main_form_ || !main_form_->loaded()) return;
    Form* main = main_form_;
    dispatch([main] { main->unload(); });
}

void Runtime::end() {
    if (ended_) return;
    ended_ = true;
    scheduler_.stop();
    desktop_.end();
}

}  // namespace tk
