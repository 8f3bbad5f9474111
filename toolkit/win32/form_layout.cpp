// SPDX-License-Identifier: GPL-3.0-or-later
// Twips to pixels at the window's DPI: the top-level window's size and place,
// the client area the layout asks for, and the fonts and icons at that DPI,
// all made again when the window moves to a screen of another DPI (or is
// shown again after the scale changed while it was hidden).
#include "toolkit/win32/form_window.h"

#include "toolkit/win32/dpi.h"
#include "toolkit/win32/font.h"
#include "toolkit/win32/scale.h"
#include "toolkit/win32/tray.h"
#include "toolkit/units.h"

namespace tk::win32 {

long FormWindow::px(double twips) const { return twips_to_pixels(twips, dpi); }

void FormWindow::place_form() {
    ::SetWindowPos(hwnd, nullptr, px(form->left()), px(form->top()), px(form->width()), px(form->height()),
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

SIZE FormWindow::window_size_at(UINT at_dpi) const {
    // The client area from the layout's twips, the frame from the system's
    // metrics at that DPI: never the old size scaled, which gathers a pixel
    // of rounding on each move.
    RECT r{0, 0, twips_to_pixels(form->client_width(), at_dpi), twips_to_pixels(form->client_height(), at_dpi)};
    const DWORD style = static_cast<DWORD>(::GetWindowLongPtrW(hwnd, GWL_STYLE));
    const DWORD ex = static_cast<DWORD>(::GetWindowLongPtrW(hwnd, GWL_EXSTYLE));
    adjust_for_dpi(r, style, ::GetMenu(hwnd) != nullptr, ex, at_dpi);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

void FormWindow::fit_client() {
    // A menu bar that wraps, or a frame wider than the metrics say, is measured
    // here and made up for, so the client area is what the layout asks for.
    RECT client{}, outer{};
    if (!form || !::GetClientRect(hwnd, &client) || !::GetWindowRect(hwnd, &outer)) return;
    const long dw = px(form->client_width()) - client.right, dh = px(form->client_height()) - client.bottom;
    if (dw == 0 && dh == 0) return;
    ::SetWindowPos(hwnd, nullptr, 0, 0, outer.right - outer.left + dw, outer.bottom - outer.top + dh,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void FormWindow::size_and_place() {
    const SIZE size = window_size_at(dpi);
    RECT work{0, 0, size.cx, size.cy};
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    if (::GetMonitorInfoW(::MonitorFromWindow(hwnd, MONITOR_DEFAULTTOPRIMARY), &mi)) work = mi.rcWork;
    auto put = [&](long w, long h) {
        long x = px(form->left()), y = px(form->top());
        if (form->start_centered) {
            x = static_cast<long>(tk::centred_start(work.left, work.right - work.left, w));
            y = static_cast<long>(tk::centred_start(work.top, work.bottom - work.top, h));
        }
        ::SetWindowPos(hwnd, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    };
    put(size.cx, size.cy);
    fit_client();
    // Centred again if the frame or the menu bar took more room than said.
    RECT r{};
    ::GetWindowRect(hwnd, &r);
    if (r.right - r.left != size.cx || r.bottom - r.top != size.cy) put(r.right - r.left, r.bottom - r.top);
}

void FormWindow::sync() {
    if (!form || dying || !hwnd || ::IsIconic(hwnd)) return;
    RECT r{};
    if (!::GetWindowRect(hwnd, &r)) return;
    form->sync_bounds(desktop_key(), pixels_to_twips(r.left, dpi), pixels_to_twips(r.top, dpi),
                      pixels_to_twips(r.right - r.left, dpi), pixels_to_twips(r.bottom - r.top, dpi));
}

void FormWindow::dpi_changed(UINT new_dpi, const RECT& suggested) {
    dpi = new_dpi ? new_dpi : 96;
    // The suggested size is our own answer to WM_GETDPISCALEDSIZE where the
    // system asks it (Windows 10 1703 and later), the old size scaled where not.
    if (::IsIconic(hwnd)) {
        // Minimised: the size it is restored at; hidden, it stays hidden.
        WINDOWPLACEMENT wp{};
        wp.length = sizeof wp;
        if (::GetWindowPlacement(hwnd, &wp)) {
            wp.rcNormalPosition.right = wp.rcNormalPosition.left + (suggested.right - suggested.left);
            wp.rcNormalPosition.bottom = wp.rcNormalPosition.top + (suggested.bottom - suggested.top);
            wp.showCmd = ::IsWindowVisible(hwnd) ? SW_SHOWMINNOACTIVE : SW_HIDE;
            ::SetWindowPlacement(hwnd, &wp);
        }
    } else {
        ::SetWindowPos(hwnd, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                       suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
        fit_client();
    }
    for (auto& n : nodes_)
        if (n->kind != Kind::Form && n->kind != Kind::Menu) place(*n);
    refresh_fonts();
    set_icons();
    if (context.tray) context.tray->scale_changed();
    ::InvalidateRect(hwnd, nullptr, TRUE);
    sync();
}

void FormWindow::catch_up_dpi() {
    const UINT now = monitor_dpi_of(hwnd);
    if (!form || now == dpi) return;
    // Hidden in the tray while the scale changed: laid out afresh, in place.
    const SIZE size = window_size_at(now);
    RECT r{};
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    if (::IsIconic(hwnd) && ::GetWindowPlacement(hwnd, &wp)) r = wp.rcNormalPosition;
    else ::GetWindowRect(hwnd, &r);
    dpi_changed(now, RECT{r.left, r.top, r.left + size.cx, r.top + size.cy});
}

HFONT FormWindow::font_for(const Font& f) {
    const auto key = std::make_tuple(f.face, f.points, f.weight, f.charset);
    if (auto it = fonts_.find(key); it != fonts_.end()) return it->second;
    const LOGFONTW lf = logfont_for(f, dpi);
    HFONT font = ::CreateFontIndirectW(&lf);
    fonts_[key] = font;
    return font;
}

void FormWindow::apply_font(Node& n) {
    if (!n.control || !n.hwnd) return;
    if (n.kind != Kind::Label && n.kind != Kind::CommandButton && n.kind != Kind::Frame) return;
    n.font = font_for(n.control->font());
    const WPARAM f = reinterpret_cast<WPARAM>(n.font);
    ::SendMessageW(n.inner ? n.inner : n.hwnd, WM_SETFONT, f, TRUE);
}

void FormWindow::refresh_fonts() {
    std::vector<HFONT> stale;
    for (auto& [key, font] : fonts_) stale.push_back(font);
    fonts_.clear();
    for (auto& n : nodes_) apply_font(*n);
    // No control uses them any more.
    for (HFONT font : stale) ::DeleteObject(font);
}

void FormWindow::set_icons() {
    if (!form || form->icon() == IconId::None) return;
    HICON big = res.icon(form->icon(), metric_for_dpi(SM_CXICON, dpi));
    HICON small_icon = res.icon(form->icon(), metric_for_dpi(SM_CXSMICON, dpi));
    if (big) ::SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    if (small_icon) ::SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small_icon));
}

}  // namespace tk::win32
