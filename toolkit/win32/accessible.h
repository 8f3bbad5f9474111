// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Names, roles and values for the windows that draw themselves, as the model
// gives them (toolkit/accessible.h). The name is also the window's text, which Windows' own accessible object and
// every screen reader read; role, name and value are dynamic annotations
// through the system's IAccPropServices where COM offers it. Values change
// without an event: a meter that moves several times a second would keep a
// screen reader talking, and the value is there whenever the user goes to it.
#include <windows.h>
#include <oleacc.h>

#include <string>

#include "toolkit/control.h"

namespace tk::win32 {

// The name a picture in sight is read out by: the program's, given once at start.
void set_program_name(std::string name);

// The system's role for a control that draws itself, or a frame (a group
// named by its caption); 0 for any other.
long system_role(const Control& c);

class Annotations {
public:
    // Holds a reference to services, which may be null.
    explicit Annotations(IAccPropServices* services);
    ~Annotations();
    Annotations(const Annotations&) = delete;
    Annotations& operator=(const Annotations&) = delete;

    // The system's annotation service, or null where there is none.
    static IAccPropServices* system_services();

    // Names the window after the control and annotates its role and value,
    // or hides a window that is only drawn; false for a control that speaks
    // for itself.
    bool describe(HWND h, const Control& c);
    // Takes a window that is only drawn out of what screen readers read.
    void hide(HWND h);
    // Before the window goes.
    void forget(HWND h);

private:
    IAccPropServices* services_;
};

}  // namespace tk::win32
