// SPDX-License-Identifier: GPL-3.0-or-later
// End-to-end helper: planted as C:\Program.exe, it leaves a marker file
// beside itself when anything starts it.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    wchar_t* slash = path;
    for (wchar_t* p = path; *p; ++p)
        if (*p == L'\\') slash = p + 1;
    lstrcpyW(slash, L"planted-ran.txt");
    HANDLE f = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(f, "ran\r\n", 5, &written, nullptr);
        CloseHandle(f);
    }
    return 0;
}
