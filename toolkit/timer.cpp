// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/timer.h"

#include "toolkit/form.h"
#include "toolkit/runtime.h"
#include "toolkit/text.h"

namespace tk {

Timer::Timer(Form& form, std::string name, int interval_ms, bool enabled, std::string_view tag)
    : form_(form), scheduler_(form.runtime().scheduler()), name_(std::move(name)), interval_(interval_ms), tag_(tag) {
    scheduler_.add(this);
    form.register_timer(this);
    set_enabled(enabled);
}

Timer::~Timer() {
    scheduler_.remove(this);
    form_.unregister_timer(this);
}

void Timer::set_enabled(bool on) {
    if (on == enabled_) return;
    enabled_ = on;
    scheduler_.enabled_changed(this);
}

void Timer::set_tag(std::string_view text) { tag_.assign(text.data(), text.size()); }

double Timer::tag_number() const { return text_number(tag_); }

void Timer::set_tag_number(double value) { tag_ = number_text(value); }

}  // namespace tk
