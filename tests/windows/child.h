// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The names under which the test program, copied by the start tests, runs as
// the started program instead of the tests.
#include <windows.h>

#include <cwchar>
#include <string>

namespace test {

inline const wchar_t* const kChildNames[] = {L"child.exe", L"my.exe"};

// The test program's own file.
inline std::wstring own_path() {
    wchar_t buf[MAX_PATH * 2] = {};
    const DWORD n = ::GetModuleFileNameW(nullptr, buf, MAX_PATH * 2);
    return std::wstring(buf, n);
}

inline bool is_child_name(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    const std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    for (const wchar_t* c : kChildNames)
        if (_wcsicmp(name.c_str(), c) == 0) return true;
    return false;
}

}  // namespace test
