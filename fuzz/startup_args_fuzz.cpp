// SPDX-License-Identifier: GPL-3.0-or-later
// Any argument text: start-up must pick exactly the mode the switch words
// say, add the tray icon, and never fail.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/program.h"
#include "toolkit/headless/headless_desktop.h"
#include "toolkit/headless/headless_system.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tk::headless::HeadlessSystem os;
    tk::headless::HeadlessDesktop desk;
    os.arguments.assign(reinterpret_cast<const char*>(data), size);
    std::string upper = os.arguments;
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    tk::Runtime rt(os, desk);
    auto w = StartProgram(rt);
    const bool autostart = upper == "/AUTO", quit = upper == "/QUIT";
    if (w->visible() == autostart) std::abort();
    if (w->tmrCheckIfMemoryFull.enabled() != autostart) std::abort();
    if (w->tmrDefragMemory.enabled() != quit || w->mnuFile.enabled() == quit) std::abort();
    if (!desk.tray_icon.shown || !desk.unhandled.empty() || !desk.boxes.empty()) std::abort();
    rt.scheduler().advance(quit ? 4001 : 50);
    if (desk.ends != (quit ? 1 : 0)) std::abort();
    return 0;
}
