// SPDX-License-Identifier: GPL-3.0-or-later
// End-to-end helper, run under Wine beside the program under test.
//   probe windows        every top-level window and its children, one a line:
//                        TOP|CHILD hwnd parent-class class visible enabled owner x y w h client-w client-h text iconic
//   probe version FILE   the version record's strings, NAME=value
//   probe resources FILE each icon group as GROUP id WxH:bits..., then the manifest
//   probe tray-drop HWND ID   removes that tray icon, as a restarting shell loses it
//   probe taskbar-created     tells every window that the shell has started afresh
//   probe no-tray FILE        a shell whose tray refuses every icon, for as long as
//                             FILE exists: a tray window of the shell's own class,
//                             newer than Wine's, so the tray calls find it first
//   probe end-session HWND    ends the session for the process of that window, as
//                             log-off does: WM_QUERYENDSESSION to each of its
//                             top-level windows, then WM_ENDSESSION (TRUE); prints
//                             the answers to the query, one a line
// Text is UTF-8; fields are separated by tabs.
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

std::string utf8(const std::wstring& w) {
    if (w.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
    return s;
}

std::string class_of(HWND h) {
    wchar_t buf[256] = {};
    if (!h) return "-";
    GetClassNameW(h, buf, 256);
    return utf8(buf);
}

std::string text_of(HWND h) {
    wchar_t buf[1024] = {};
    // Through the message, so that other processes' controls answer too.
    SendMessageTimeoutW(h, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 2000, nullptr);
    std::string s = utf8(buf);
    for (char& c : s)
        if (c == '\t' || c == '\n' || c == '\r') c = ' ';
    return s;
}

void print(const char* kind, HWND h) {
    RECT r{}, c{};
    GetWindowRect(h, &r);
    GetClientRect(h, &c);
    HWND parent = GetAncestor(h, GA_PARENT);
    std::printf("%s\t%lu\t%s\t%s\t%d\t%d\t%lu\t%ld\t%ld\t%ld\t%ld\t%ld\t%ld\t%s\t%d\n", kind,
                static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(h)),
                std::string(kind)[0] == 'T' ? "-" : class_of(parent).c_str(), class_of(h).c_str(),
                IsWindowVisible(h) ? 1 : 0, IsWindowEnabled(h) ? 1 : 0,
                static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(GetWindow(h, GW_OWNER))), r.left, r.top,
                r.right - r.left, r.bottom - r.top, c.right, c.bottom, text_of(h).c_str(), IsIconic(h) ? 1 : 0);
}

BOOL CALLBACK child(HWND h, LPARAM) {
    print("CHILD", h);
    return TRUE;
}

BOOL CALLBACK top(HWND h, LPARAM) {
    print("TOP", h);
    EnumChildWindows(h, child, 0);
    return TRUE;
}

int version(const wchar_t* file) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(file, &ignored);
    if (!size) return 1;
    std::vector<unsigned char> data(size);
    if (!GetFileVersionInfoW(file, 0, size, data.data())) return 1;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT len = 0;
    if (VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &len) && fixed)
        std::printf("FILEVERSION=%u,%u,%u,%u\n", unsigned{HIWORD(fixed->dwFileVersionMS)}, unsigned{LOWORD(fixed->dwFileVersionMS)},
                    unsigned{HIWORD(fixed->dwFileVersionLS)}, unsigned{LOWORD(fixed->dwFileVersionLS)});
    struct Lang {
        WORD lang, codepage;
    }* langs = nullptr;
    if (VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&langs), &len))
        for (UINT i = 0; i < len / sizeof(Lang); ++i) std::printf("TRANSLATION=%04X%04X\n", langs[i].lang, langs[i].codepage);
    for (const wchar_t* name : {L"Comments", L"FileDescription", L"FileVersion", L"InternalName", L"OriginalFilename",
                                L"ProductName", L"ProductVersion"}) {
        wchar_t* value = nullptr;
        const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
        if (VerQueryValueW(data.data(), path.c_str(), reinterpret_cast<void**>(&value), &len) && value)
            std::printf("%s=%s\n", utf8(name).c_str(), utf8(value).c_str());
    }
    return 0;
}

BOOL CALLBACK icon_group(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR) {
    HRSRC res = FindResourceW(module, name, type);
    const auto* dir = res ? static_cast<const unsigned char*>(LockResource(LoadResource(module, res))) : nullptr;
    if (!dir || !IS_INTRESOURCE(name)) return TRUE;
    const unsigned count = dir[4] | (dir[5] << 8);
    std::printf("GROUP %u", static_cast<unsigned>(reinterpret_cast<UINT_PTR>(name)));
    for (unsigned i = 0; i < count; ++i) {
        const unsigned char* e = dir + 6 + 14 * i;  // GRPICONDIRENTRY
        const unsigned w = e[0] ? e[0] : 256, h = e[1] ? e[1] : 256, bits = e[6] | (e[7] << 8);
        std::printf(" %ux%u:%u", w, h, bits);
    }
    std::printf("\n");
    return TRUE;
}

int resources(const wchar_t* file) {
    HMODULE module = LoadLibraryExW(file, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) return 1;
    EnumResourceNamesW(module, MAKEINTRESOURCEW(14), icon_group, 0);  // RT_GROUP_ICON
    if (HRSRC res = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24))) {  // RT_MANIFEST
        const char* text = static_cast<const char*>(LockResource(LoadResource(module, res)));
        std::fwrite(text, 1, SizeofResource(module, res), stdout);
        std::printf("\n");
    }
    FreeLibrary(module);
    return 0;
}

struct Session {
    DWORD pid;
    std::vector<HWND> windows;
};

BOOL CALLBACK of_process(HWND h, LPARAM l) {
    auto* s = reinterpret_cast<Session*>(l);
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    if (pid == s->pid) s->windows.push_back(h);
    return TRUE;
}

int end_session(HWND any) {
    Session s{0, {}};
    GetWindowThreadProcessId(any, &s.pid);
    if (!s.pid) return 1;
    EnumWindows(of_process, reinterpret_cast<LPARAM>(&s));
    bool all_agree = true;
    for (HWND h : s.windows) {
        DWORD_PTR answer = 0;
        if (!SendMessageTimeoutW(h, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 5000, &answer))
            answer = 0;
        std::printf("QUERY\t%lu\t%lu\n", static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(h)),
                    static_cast<unsigned long>(answer));
        all_agree = all_agree && answer != 0;
    }
    if (!all_agree) return 1;
    // The system tells every window, also those of a process that has begun to end.
    for (HWND h : s.windows) {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(h, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 5000, &ignored);
    }
    return 0;
}

LRESULT CALLBACK refusing_tray(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_COPYDATA) return FALSE;  // Shell_NotifyIcon's record: refused
    return DefWindowProcW(h, m, w, l);
}

int no_tray(const wchar_t* file) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = refusing_tray;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"Shell_TrayWnd";
    if (!RegisterClassW(&wc)) return 1;
    HWND tray = CreateWindowExW(0, wc.lpszClassName, L"Taluvex test shell", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                wc.hInstance, nullptr);
    if (!tray || FindWindowW(L"Shell_TrayWnd", nullptr) != tray) return 1;
    SetTimer(tray, 1, 100, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && GetFileAttributesW(file) == INVALID_FILE_ATTRIBUTES) break;
        DispatchMessageW(&msg);
    }
    DestroyWindow(tray);
    return 0;
}

}  // namespace

int main() {
    _setmode(_fileno(stdout), _O_BINARY);  // lines end in \n alone
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argc >= 2 && std::wstring(argv[1]) == L"windows") {
        EnumWindows(top, 0);
        return 0;
    }
    if (argc >= 3 && std::wstring(argv[1]) == L"version") return version(argv[2]);
    if (argc >= 3 && std::wstring(argv[1]) == L"resources") return resources(argv[2]);
    if (argc >= 4 && std::wstring(argv[1]) == L"tray-drop") {
        NOTIFYICONDATAW nid{};
        nid.cbSize = sizeof nid;
        nid.hWnd = reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::wcstoul(argv[2], nullptr, 10)));
        nid.uID = static_cast<UINT>(std::wcstoul(argv[3], nullptr, 10));
        return Shell_NotifyIconW(NIM_DELETE, &nid) ? 0 : 1;
    }
    if (argc >= 2 && std::wstring(argv[1]) == L"taskbar-created") {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(HWND_BROADCAST, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0, SMTO_ABORTIFHUNG, 2000,
                            &ignored);
        return 0;
    }
    if (argc >= 3 && std::wstring(argv[1]) == L"no-tray") return no_tray(argv[2]);
    if (argc >= 3 && std::wstring(argv[1]) == L"end-session")
        return end_session(reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::wcstoul(argv[2], nullptr, 10))));
    std::fprintf(stderr,
                 "usage: probe windows | version FILE | resources FILE | tray-drop HWND ID | taskbar-created | "
                 "no-tray FILE | end-session HWND\n");
    return 2;
}
