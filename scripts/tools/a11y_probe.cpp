// SPDX-License-Identifier: GPL-3.0-or-later
// End-to-end helper for what a screen reader gets, run under Wine beside the
// program under test:
//   a11y_probe name HWND         the window's accessible object, as a screen
//                                reader reads it: name, role number and value
//   a11y_probe focus HWND        the window with the keyboard focus in the
//                                thread of that window, or 0
//   a11y_probe read HWND         the windows inside that window in the order
//                                a screen reader goes through them (z-order,
//                                depth first), those in sight and not marked
//                                invisible: depth, class, name, role number
// Text is UTF-8; fields are separated by tabs.
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <oleacc.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

// Spelled out: MinGW's oleacc import library gives this name the address of
// an import thunk instead of the interface identifier.
constexpr IID kIAccessible = {0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

std::string utf8(const wchar_t* w) {
    if (!w || !*w) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, w, -1, nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w, -1, s.data(), n, nullptr, nullptr);
    s.resize(static_cast<std::size_t>(n) - 1);
    for (char& c : s)
        if (c == '\t' || c == '\n' || c == '\r') c = ' ';
    return s;
}

HWND hwnd_arg(const wchar_t* text) {
    return reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::wcstoul(text, nullptr, 10)));
}

int name(HWND h) {
    IAccessible* acc = nullptr;
    const HRESULT hr = AccessibleObjectFromWindow(h, static_cast<DWORD>(OBJID_CLIENT), kIAccessible,
                                                  reinterpret_cast<void**>(&acc));
    if (FAILED(hr) || !acc) {
        std::fprintf(stderr, "no accessible object (0x%08lx)\n", static_cast<unsigned long>(hr));
        return 1;
    }
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR n = nullptr, v = nullptr;
    VARIANT role{};
    acc->get_accName(self, &n);
    acc->get_accRole(self, &role);
    acc->get_accValue(self, &v);
    std::printf("%s\t%ld\t%s\n", utf8(n).c_str(), role.vt == VT_I4 ? role.lVal : -1L, utf8(v).c_str());
    SysFreeString(n);
    SysFreeString(v);
    VariantClear(&role);
    acc->Release();
    return 0;
}

void read(HWND parent, int depth) {
    for (HWND h = GetWindow(parent, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) {
        IAccessible* acc = nullptr;
        if (!IsWindowVisible(h) || FAILED(AccessibleObjectFromWindow(h, static_cast<DWORD>(OBJID_CLIENT), kIAccessible,
                                                                     reinterpret_cast<void**>(&acc))))
            continue;
        VARIANT self{}, role{}, state{};
        self.vt = VT_I4;
        BSTR n = nullptr;
        acc->get_accName(self, &n);
        acc->get_accRole(self, &role);
        acc->get_accState(self, &state);
        acc->Release();
        wchar_t cls[256] = {};
        GetClassNameW(h, cls, 256);
        if (state.vt != VT_I4 || !(state.lVal & STATE_SYSTEM_INVISIBLE)) {
            std::printf("%d\t%s\t%s\t%ld\n", depth, utf8(cls).c_str(), utf8(n).c_str(), role.vt == VT_I4 ? role.lVal : -1L);
            read(h, depth + 1);
        }
        SysFreeString(n);
    }
}

int focus(HWND h) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    const DWORD thread = GetWindowThreadProcessId(h, nullptr);
    if (!thread || !GetGUIThreadInfo(thread, &info)) return 1;
    std::printf("%lu\n", static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(info.hwndFocus)));
    return 0;
}

}  // namespace

int main() {
    _setmode(_fileno(stdout), _O_BINARY);  // lines end in \n alone
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    const std::wstring what = argc >= 2 ? argv[1] : L"";
    if (argc >= 3 && what == L"name") return name(hwnd_arg(argv[2]));
    if (argc >= 3 && what == L"focus") return focus(hwnd_arg(argv[2]));
    if (argc >= 3 && what == L"read") {
        read(hwnd_arg(argv[2]), 0);
        return 0;
    }
    std::fprintf(stderr, "usage: a11y_probe name HWND | focus HWND | read HWND\n");
    return 2;
}
