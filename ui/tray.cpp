// SPDX-License-Identifier: GPL-3.0-or-later
// The tray icon: one record for its whole life, and the decoding of the
// mouse messages that come back through the hidden TrayIcon box.
#include <cmath>
#include <cstring>

#include "toolkit/errmode.h"
#include "toolkit/error.h"
#include "toolkit/shell_codes.h"
#include "toolkit/units.h"
#include "ui/frmMain.h"

namespace {

// The tray reports a message as X = message x kTwipsPerPixel; the decoding keeps
// the low byte of that, shifted up a byte.
constexpr std::int32_t TrayCode(std::uint32_t message) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(message * tk::kTwipsPerPixel) & 255) * 256;
}
constexpr std::int32_t kLeftDoubleClickCode = TrayCode(tk::WM_LBUTTONDBLCLK);
constexpr std::int32_t kRightButtonUpCode = TrayCode(tk::WM_RBUTTONUP);

// A fixed-length text: the tip is padded with blanks and carries no zero.
void SetTip(tk::NotifyIconData88& data, const char* text) {
    std::memset(data.szTip, ' ', sizeof data.szTip);
    const std::size_t n = std::min(std::strlen(text), sizeof data.szTip);
    std::memcpy(data.szTip, text, n);
}

std::int32_t ToLong(double x) {
    const double r = std::nearbyint(x);  // halves to even
    if (!(r >= -2147483648.0 && r <= 2147483647.0)) throw tk::Error(tk::ErrorCode::Overflow, "Overflow");
    return static_cast<std::int32_t>(r);
}

}  // namespace

void frmMain::ShowProgramInTray() {
    tk::NotifyIconData88& d = TrayIconData;
    tk::resume_next([&] { d.cbSize = sizeof(tk::NotifyIconData88); }, [&] { d.hWnd = TrayIcon.hwnd(); },
                    [&] { d.uID = 1; }, [&] { d.uFlags = tk::NIF_MESSAGE | tk::NIF_ICON | tk::NIF_TIP; },
                    [&] { d.uCallbackMessage = tk::WM_MOUSEMOVE; }, [&] { TrayIcon.set_picture(icon()); },
                    [&] { d.hIcon = desktop().icon_handle(TrayIcon.picture()); },
                    [&] { SetTip(d, "Taluvex"); },
                    [&] { desktop().shell_notify_icon(tk::NIM_ADD, d); });
}

void frmMain::ShowIconInTray(std::int16_t& NroIcon, std::string& /*Msg*/) {
    tk::NotifyIconData88& d = TrayIconData;
    tk::resume_next([&] { SetTip(d, "Taluvex"); },
                    [&] { TrayIcon.set_picture(desktop().load_icon_resource(NroIcon)); },
                    [&] { d.hIcon = desktop().icon_handle(TrayIcon.picture()); },
                    [&] { desktop().shell_notify_icon(tk::NIM_MODIFY, d); });
}

void frmMain::TrayIcon_MouseMove(std::int16_t /*Button*/, std::int16_t /*Shift*/, double X, double /*Y*/) {
    std::int32_t code = 0;
    tk::resume_next([&] { code = (ToLong(X) & 255) * 256; });
    if (code == kLeftDoubleClickCode) {
        tk::resume_next([&] { mnuShow_Click(); });
    } else if (code == kRightButtonUpCode) {
        tk::resume_next([&] { mnuShow.set_caption(visible() ? "&Hide" : "&Show"); },
                        [&] { popup_menu(mnuPopUp); });
    }
}
