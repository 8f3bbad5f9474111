// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace tk {

class Form;
class Scheduler;

// A timer belongs to the toolkit's scheduler; a backend only supplies the clock.
class Timer {
public:
    Timer(Form& form, std::string name, int interval_ms, bool enabled, std::string_view tag);
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    const std::string& name() const { return name_; }
    int interval() const { return interval_; }
    bool enabled() const { return enabled_; }
    // Enabling a stopped timer schedules it one interval from now; enabling a
    // running one keeps its schedule.
    void set_enabled(bool on);
    const std::string& tag() const { return tag_; }
    void set_tag(std::string_view text);
    double tag_number() const;           // tk::Error when the tag is not a number
    void set_tag_number(double value);   // shortest decimal text

    std::function<void()> on_timer;

private:
    friend class Scheduler;
    Form& form_;
    Scheduler& scheduler_;
    std::string name_;
    int interval_;
    bool enabled_ = false;
    std::string tag_;
    std::int64_t due_ = 0;
    std::uint64_t seq_ = 0;
};

}  // namespace tk
