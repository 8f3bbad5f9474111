// SPDX-License-Identifier: GPL-3.0-or-later
// The test runner. Copied under another name it is the program that the
// start tests launch: it writes what it was given beside itself and ends.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/windows/child.h"
#include "toolkit/os/os.h"
#include "toolkit/os/windows/text.h"

namespace {

// Started by a test: records its working folder, argument text and show
// command in NAME.ran beside itself, one a line.
int run_as_child(const std::wstring& self) {
    wchar_t cwd[MAX_PATH * 2] = {};
    ::GetCurrentDirectoryW(MAX_PATH * 2, cwd);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    ::GetStartupInfoW(&si);
    const int show = (si.dwFlags & STARTF_USESHOWWINDOW) ? si.wShowWindow : -1;
    const std::string text = tk::os::narrow(cwd) + "\n" + tk::os::argument_text(0, nullptr) + "\n" +
                             std::to_string(show) + "\n";
    const std::wstring marker = self + L".ran";
    HANDLE f = ::CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    ::WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    ::CloseHandle(f);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::wstring self = test::own_path();
    if (test::is_child_name(self)) return run_as_child(self);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
