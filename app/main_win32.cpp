// SPDX-License-Identifier: GPL-3.0-or-later
// The Windows program: the Win32 backend, the runtime and the start-up form.
#include <objbase.h>

#include "app/program.h"
#include "toolkit/os/os.h"
#include "toolkit/os/real_system.h"
#include "toolkit/runtime.h"
#include "toolkit/win32/accessible.h"
#include "toolkit/win32/win32_desktop.h"
#include "version/version.h"

namespace {

// Screen readers learn the drawn controls' roles through COM, for as long as
// any window lives.
struct Com {
    Com() : ok(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
    ~Com() {
        if (ok) ::CoUninitialize();
    }
    bool ok;
};

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    Com com;
    tk::win32::set_program_name(kAppTitle);
    tk::os::RealSystem system(tk::os::argument_text(0, nullptr));
    tk::win32::Win32Desktop desktop(instance);
    tk::Runtime rt(system, desktop);
    desktop.bind(rt);
    std::unique_ptr<frmMain> main_form;
    rt.dispatch([&] { main_form = StartProgram(rt); });
    desktop.run();
    // The forms go before the windows and the tray entries they used.
    main_form.reset();
    return 0;
}
