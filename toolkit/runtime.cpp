#include "toolkit/runtime.h"

namespace tk {

Runtime::Runtime(Platform& platform) : platform_(platform) {
    scheduler_.on_unhandled = [this](const std::exception& e) { platform_.unhandled_error(e); };
}

int Runtime::msgbox(const std::string& prompt, int style, const std::string& title) {
    scheduler_.hold();
    struct Release {
        Scheduler& s;
        ~Release() { s.release(); }
    } release{scheduler_};
    return platform_.message_box(prompt, style, title);
}

void Runtime::end() {
    if (ended_) return;
    ended_ = true;
    scheduler_.stop();
    platform_.end();
}

}  // namespace tk
