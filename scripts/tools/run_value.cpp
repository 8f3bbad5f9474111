// SPDX-License-Identifier: GPL-3.0-or-later
// End-to-end helper, run under Wine: starts what the value NAME under
// HKCU\Software\Microsoft\Windows\CurrentVersion\Run holds, as the shell
// does at login: the value is the whole command line, quotes and all.
//   run_value NAME     exit status 0 once started; 3 no such value; 4 no start
//   run_value --quiet-uninstall
//                      runs Taluvex's QuietUninstallString as a package manager
//                      does, waits for it and exits with its status
#include <windows.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) return 2;
    const bool uninstall = std::wcscmp(argv[1], L"--quiet-uninstall") == 0;
    const wchar_t* key = uninstall ? L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Taluvex"
                                   : L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    const wchar_t* name = uninstall ? L"QuietUninstallString" : argv[1];
    wchar_t line[4096] = {};
    DWORD size = sizeof line;
    if (RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_REG_SZ, nullptr, line, &size) != ERROR_SUCCESS)
        return 3;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        std::fprintf(stderr, "CreateProcess failed: %lu\n", GetLastError());
        return 4;
    }
    DWORD status = 0;
    if (uninstall) {
        WaitForSingleObject(pi.hProcess, INFINITE);
        GetExitCodeProcess(pi.hProcess, &status);
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return static_cast<int>(status);
}
