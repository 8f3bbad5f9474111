// The Windows program: the Win32 backend, the runtime and the start-up form.
#include "app/program.h"
#include "toolkit/runtime.h"
#include "toolkit/win32/win32_platform.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    tk::win32::Win32Platform platform(instance);
    tk::Runtime rt(platform);
    platform.bind(rt);
    std::unique_ptr<frmMain> main_form;
    rt.dispatch([&] { main_form = StartProgram(rt); });
    platform.run();
    // The forms go before the windows and the tray entries they used.
    main_form.reset();
    return 0;
}
