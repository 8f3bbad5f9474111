// SPDX-License-Identifier: GPL-3.0-or-later
#include "about/frmAbout.h"

#include <algorithm>
#include <array>

#include "toolkit/errmode.h"
#include "toolkit/error.h"
#include "toolkit/runtime.h"
#include "toolkit/text.h"
#include "version/version.h"

namespace {

// Read only: both keys live under HKEY_LOCAL_MACHINE, where a standard user
// (and an administrator's filtered token) may read but not write.
constexpr std::uint32_t KEY_QUERY_VALUE = 0x0001;
constexpr const char* gREGKEYSYSINFOLOC = "SOFTWARE\\Microsoft\\Shared Tools Location";
constexpr const char* gREGVALSYSINFOLOC = "MSINFO";
constexpr const char* gREGKEYSYSINFO = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr const char* gREGVALSYSINFO = "PATH";
constexpr int vbNormalFocus = 1;

tk::Font DialogFont(double points) { return tk::Font{"MS Sans Serif", points, 700, 0}; }

}  // namespace

frmAbout::frmAbout(tk::Runtime& rt, tk::Form& main)
    : tk::Form(rt, "frmAbout"),
      cmdOK(*this, *this, "cmdOK"),
      picIcon(*this, *this, "picIcon"),
      cmdSysInfo(*this, *this, "cmdSysInfo"),
      lblTitle(*this, *this, "lblTitle"),
      lblVersion(*this, *this, "lblVersion"),
      lblAuthor(*this, *this, "lblAuthor"),
      main_(main) {
    set_client_size(2235, 2865);
    border_style = tk::BorderStyle::FixedDialog;
    show_in_taskbar = false;
    start_centered = false;  // the load handler centres it on the main window
    set_icon(tk::IconId::Window);

    picIcon.set_bounds(840, 120, 540, 540);
    picIcon.set_picture(tk::IconId::Window);
    picIcon.set_border(true);
    // Between OK and the system button: Tab, then Enter, presses OK.
    picIcon.set_tab_stop(true);

    lblTitle.set_bounds(0, 720, 2325, 360);
    lblTitle.set_alignment(tk::Align::Center);
    lblTitle.set_fore_color(tk::rgb(0, 0, 0));
    lblTitle.set_font(DialogFont(12));

    lblVersion.set_bounds(0, 1080, 2295, 255);
    lblVersion.set_alignment(tk::Align::Center);
    lblVersion.set_font(DialogFont(8.25));

    lblAuthor.set_bounds(120, 1440, 2055, 255);
    lblAuthor.set_alignment(tk::Align::Center);
    lblAuthor.set_font(DialogFont(9.75));
    lblAuthor.set_caption("RUS by Vemkaro");

    cmdOK.set_bounds(480, 1920, 1260, 345);
    cmdOK.set_caption("OK");
    cmdOK.is_default = true;
    cmdOK.is_cancel = true;

    cmdSysInfo.set_bounds(480, 2400, 1245, 345);
    cmdSysInfo.set_caption("&Система");

    on_load = [this] { Form_Load(); };
    on_unload = [this](std::int16_t& cancel) { Form_Unload(cancel); };
    cmdOK.on_click = [this] { cmdOK_Click(); };
    cmdSysInfo.on_click = [this] { cmdSysInfo_Click(); };
}

void frmAbout::Form_Load() {
    set_left(main_.left() + main_.width() / 2 - width() / 2);
    set_top(main_.top() + main_.height() / 2 - height() / 2);
    set_caption(std::string("About ") + kAppTitle);
    std::string version = "v";
    version += tk::number_text(kVersionMajor);
    version += '.';
    version += tk::number_text(kVersionMinor);
    lblVersion.set_caption(version);
    lblTitle.set_caption(kAppTitle);
}

void frmAbout::Form_Unload(std::int16_t& /*Cancel*/) {
    tk::resume_next([&] { main_.set_enabled(true); });
}

void frmAbout::cmdOK_Click() {
    tk::resume_next([&] { unload(); });
}

void frmAbout::cmdSysInfo_Click() { StartSysInfo(); }

void frmAbout::StartSysInfo() {
    tk::System& os = runtime().system();
    tk::catch_all(
        [&] {
            std::string SysInfoPath;
            if (!GetKeyValue(tk::HKEY_LOCAL_MACHINE_, gREGKEYSYSINFO, gREGVALSYSINFO, SysInfoPath)) {
                if (!GetKeyValue(tk::HKEY_LOCAL_MACHINE_, gREGKEYSYSINFOLOC, gREGVALSYSINFOLOC, SysInfoPath))
                    throw tk::Error(tk::ErrorCode::FileNotFound, "System Information not found");
                if (!os.file_exists(SysInfoPath + "\\MSINFO32.EXE"))
                    throw tk::Error(tk::ErrorCode::FileNotFound, "System Information not found");
                SysInfoPath += "\\MSINFO32.EXE";
            }
            os.start_program(SysInfoPath, vbNormalFocus);
        },
        [&] { runtime().msgbox("Unable to start System Information!", tk::vbCritical, "Error"); });
}

bool frmAbout::GetKeyValue(std::uint32_t KeyRoot, const std::string& KeyName, const std::string& SubKeyRef,
                           std::string& KeyVal) {
    tk::System& os = runtime().system();
    tk::RegKey hKey = 0;
    bool found = false;
    tk::resume_next([&] {
        if (os.reg_open_key(KeyRoot, KeyName, 0, KEY_QUERY_VALUE, hKey) != 0) return;
        std::array<std::uint8_t, kValueBufferSize> tmpVal{};
        std::uint32_t KeyValSize = kValueBufferSize;
        std::uint32_t KeyValType = 0;
        if (os.reg_query_value(hKey, SubKeyRef, 0, KeyValType, tmpVal.data(), KeyValSize) != 0) return;
        // Never read beyond what the buffer holds, whatever size comes back.
        std::size_t size = std::min<std::size_t>(KeyValSize, tmpVal.size());
        // Drop a string's terminating zero; a value of size 0 is the empty text.
        if (size > 0 && tmpVal[size - 1] == 0) --size;
        const std::string text = os.text_from_ansi(std::string(tmpVal.begin(), tmpVal.begin() + size));
        if (KeyValType == tk::REG_SZ_) {
            KeyVal = text;
        } else if (KeyValType == tk::REG_DWORD_) {
            const std::uint32_t n = tmpVal[0] | (tmpVal[1] << 8) | (tmpVal[2] << 16) |
                                    (static_cast<std::uint32_t>(tmpVal[3]) << 24);
            KeyVal = tk::number_text(static_cast<std::int64_t>(n));
        }
        found = true;
    });
    if (!found) KeyVal.clear();
    tk::resume_next([&] { os.reg_close_key(hKey); });
    return found;
}
