// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/win32/dpi.h"

namespace tk::win32 {
namespace {

template <class Fn>
Fn user32_function(const char* name) {
    static HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    if (!user32) return nullptr;
    // Through a plain function pointer: FARPROC's own type matches nothing.
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(user32, name)));
}

UINT screen_dpi() {
    HDC dc = ::GetDC(nullptr);
    const int dpi = dc ? ::GetDeviceCaps(dc, LOGPIXELSX) : 96;
    if (dc) ::ReleaseDC(nullptr, dc);
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

}  // namespace

UINT dpi_of(HWND hwnd) {
    using Fn = UINT(WINAPI*)(HWND);
    static const Fn get = user32_function<Fn>("GetDpiForWindow");
    if (get && hwnd) {
        const UINT dpi = get(hwnd);
        if (dpi) return dpi;
    }
    return screen_dpi();
}

UINT monitor_dpi_of(HWND hwnd) {
    // shcore is loaded only where it is needed: the program imports no more
    // than Windows 7 has.
    using Fn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    static const Fn get = [] {
        HMODULE shcore = ::LoadLibraryW(L"shcore.dll");
        return shcore ? reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(shcore, "GetDpiForMonitor")))
                      : nullptr;
    }();
    UINT x = 0, y = 0;
    constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI
    if (get && hwnd && get(::MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), kEffectiveDpi, &x, &y) == S_OK && x)
        return x;
    return dpi_of(hwnd);
}

int metric_for_dpi(int index, UINT dpi) {
    using Fn = int(WINAPI*)(int, UINT);
    static const Fn get = user32_function<Fn>("GetSystemMetricsForDpi");
    if (get) return get(index, dpi);
    return ::MulDiv(::GetSystemMetrics(index), static_cast<int>(dpi), static_cast<int>(screen_dpi()));
}

void adjust_for_dpi(RECT& r, DWORD style, bool menu, DWORD ex_style, UINT dpi) {
    using Fn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
    static const Fn adjust = user32_function<Fn>("AdjustWindowRectExForDpi");
    if (adjust && adjust(&r, style, menu ? TRUE : FALSE, ex_style, dpi)) return;
    ::AdjustWindowRectEx(&r, style, menu ? TRUE : FALSE, ex_style);
}

void keep_dialog_layout(HWND dialog) {
    using Fn = BOOL(WINAPI*)(HWND, int, int);
    static const Fn set = user32_function<Fn>("SetDialogDpiChangeBehavior");
    constexpr int kDisableAll = 1;  // DDC_DISABLE_ALL
    if (set) set(dialog, kDisableAll, kDisableAll);
}

}  // namespace tk::win32
