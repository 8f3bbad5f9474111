// SPDX-License-Identifier: GPL-3.0-or-later
// End-to-end helper, run under Wine: starts what the value NAME under
// HKCU\Software\Microsoft\Windows\CurrentVersion\Run holds, as the shell
// does at login: the value is the whole command line, quotes and all.
//   run_value NAME     exit status 0 once started; 3 no such value; 4 no start
#include <windows.h>

#include <cstdio>

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) return 2;
    wchar_t line[4096] = {};
    DWORD size = sizeof line;
    if (RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", argv[1],
                     RRF_RT_REG_SZ, nullptr, line, &size) != ERROR_SUCCESS)
        return 3;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        std::fprintf(stderr, "CreateProcess failed: %lu\n", GetLastError());
        return 4;
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return 0;
}
