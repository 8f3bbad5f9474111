#pragma once
// Names, roles and values for the windows that draw themselves (the bars, the
// About box's icon). The name is also the window's text, which Windows' own
// accessible object and every screen reader read; role, name and value are
// dynamic annotations through the system's IAccPropServices, where COM offers
// it. Without it (no COM on the thread, or an older system) the window text
// is what remains.
#include <windows.h>
#include <oleacc.h>

#include <cstdint>
#include <string>

#include "toolkit/control.h"

namespace tk::win32 {

// The accessible role a model role stands for; 0 for the kind's own.
long accessible_role(Role role);
// A bar's value as a screen reader says it: the free megabytes.
std::wstring accessible_value(std::int64_t value);

class Annotations {
public:
    // Holds a reference to services, which may be null.
    explicit Annotations(IAccPropServices* services);
    ~Annotations();
    Annotations(const Annotations&) = delete;
    Annotations& operator=(const Annotations&) = delete;

    // The system's annotation service, or null where there is none.
    static IAccPropServices* system_services();

    // Names the window and gives it the control's role and, for a bar, its value.
    void describe(HWND h, const Control& c);
    // Before the window goes.
    void forget(HWND h);

private:
    IAccPropServices* services_;
};

}  // namespace tk::win32
