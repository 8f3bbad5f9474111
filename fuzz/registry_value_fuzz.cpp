// SPDX-License-Identifier: GPL-3.0-or-later
// Any registry value (any type, up to 2048 bytes, terminated or not): the
// About box's reader never reads outside the data and decodes it as stated.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "about/frmAbout.h"
#include "app/program.h"
#include "toolkit/headless/headless_desktop.h"
#include "toolkit/headless/headless_system.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1 || size > 2049) return -1;
    tk::headless::HeadlessSystem os;
    tk::headless::HeadlessDesktop desk;
    tk::Runtime rt(os, desk);
    auto w = StartProgram(rt);
    frmAbout about(rt, *w);
    const std::uint32_t type = data[0] % 8;  // REG_NONE .. REG_QWORD and beyond
    const std::vector<std::uint8_t> value(data + 1, data + size);
    os.registry["K"]["V"] = {type, value};
    std::string text = "unset";
    const bool found = about.GetKeyValue(0x80000002u, "K", "V", text);
    if (found != (value.size() <= 1024)) std::abort();
    if (!found && !text.empty()) std::abort();
    if (found && type == tk::REG_SZ_) {
        std::size_t n = value.size();
        if (n > 0 && value[n - 1] == 0) --n;
        if (text != std::string(value.begin(), value.begin() + static_cast<std::ptrdiff_t>(n))) std::abort();
    }
    if (found && type == tk::REG_DWORD_) {
        std::uint32_t v = 0;
        for (std::size_t i = 0; i < 4 && i < value.size(); ++i) v |= std::uint32_t{value[i]} << (8 * i);
        if (text != std::to_string(v)) std::abort();
    }
    if (found && type != tk::REG_SZ_ && type != tk::REG_DWORD_ && text != "unset") std::abort();
    if (!os.open_keys.empty()) std::abort();
    return 0;
}
