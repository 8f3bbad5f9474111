// SPDX-License-Identifier: GPL-3.0-or-later
// The file test and the program start, on real files: a folder whose path
// has blanks, a program planted where a split path would lead, and a started
// copy of this test program that says what it was given.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/windows/child.h"
#include "toolkit/error.h"
#include "toolkit/os/os.h"
#include "toolkit/os/windows/text.h"

namespace {

std::wstring lower(std::wstring s) {
    for (wchar_t& c : s) c = static_cast<wchar_t>(std::towlower(c));
    while (s.size() > 3 && s.back() == L'\\') s.pop_back();
    return s;
}

// %TEMP%\Taluvex test PID\ with "my tool\child.exe" and "my.exe" in it: the
// latter is what "...\my tool\child.exe" would start if it were split at its blank.
class Scratch : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t tmp[MAX_PATH + 1] = {};
        ASSERT_GT(::GetTempPathW(MAX_PATH + 1, tmp), 0u);
        root_ = std::wstring(tmp) + L"Taluvex test " + std::to_wstring(::GetCurrentProcessId());
        tool_ = root_ + L"\\my tool";
        ASSERT_TRUE(::CreateDirectoryW(root_.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS);
        ASSERT_TRUE(::CreateDirectoryW(tool_.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS);
        child_ = tool_ + L"\\child.exe";
        planted_ = root_ + L"\\my.exe";
        ASSERT_TRUE(::CopyFileW(test::own_path().c_str(), child_.c_str(), FALSE));
        ASSERT_TRUE(::CopyFileW(test::own_path().c_str(), planted_.c_str(), FALSE));
    }
    void TearDown() override {
        for (const std::wstring& f : made_) {
            ::SetFileAttributesW(f.c_str(), FILE_ATTRIBUTE_NORMAL);
            ::DeleteFileW(f.c_str());
        }
        for (const std::wstring& f : {child_, child_ + L".ran", planted_, planted_ + L".ran"}) ::DeleteFileW(f.c_str());
        ::RemoveDirectoryW(tool_.c_str());
        ::RemoveDirectoryW(root_.c_str());
    }
    std::wstring file(const std::wstring& name, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
        const std::wstring path = root_ + L"\\" + name;
        HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attributes, nullptr);
        EXPECT_NE(h, INVALID_HANDLE_VALUE);
        if (h != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            ::WriteFile(h, "text", 4, &written, nullptr);
            ::CloseHandle(h);
        }
        made_.push_back(path);
        return path;
    }
    // The child's record: working folder, argument text, show command; empty
    // when it did not run within a few seconds.
    std::vector<std::string> record_of(const std::wstring& program) {
        const std::wstring marker = program + L".ran";
        for (int i = 0; i < 100; ++i) {
            std::ifstream in(tk::os::narrow(marker), std::ios::binary);
            std::stringstream ss;
            ss << in.rdbuf();
            std::string text = ss.str();
            if (!text.empty() && text.back() == '\n' && std::count(text.begin(), text.end(), '\n') == 3) {
                std::vector<std::string> lines;
                std::string line;
                std::istringstream ls(text);
                while (std::getline(ls, line)) lines.push_back(line);
                return lines;
            }
            ::Sleep(50);
        }
        return {};
    }
    static std::string utf8(const std::wstring& s) { return tk::os::narrow(s); }

    std::wstring root_, tool_, child_, planted_;
    std::vector<std::wstring> made_;
};

int code_of_start(const std::string& path) {
    try {
        tk::os::start_program(path, 1);
    } catch (const tk::Error& e) {
        return static_cast<int>(e.code());
    }
    return 0;
}

}  // namespace

TEST_F(Scratch, TheFileTestMatchesOrdinaryFilesOnly) {
    EXPECT_TRUE(tk::os::file_exists(utf8(file(L"plain.txt"))));
    EXPECT_TRUE(tk::os::file_exists(utf8(child_)));  // a path with a blank
    EXPECT_TRUE(tk::os::file_exists(utf8(file(L"\x0418\x043D\x0444\x043E.txt"))));  // "Инфо": Unicode names
    EXPECT_TRUE(tk::os::file_exists(utf8(file(L"readonly.txt", FILE_ATTRIBUTE_READONLY))));
    EXPECT_FALSE(tk::os::file_exists(utf8(file(L"hidden.txt", FILE_ATTRIBUTE_HIDDEN))));
    EXPECT_FALSE(tk::os::file_exists(utf8(file(L"system.txt", FILE_ATTRIBUTE_SYSTEM))));
    EXPECT_FALSE(tk::os::file_exists(utf8(tool_)));  // a folder
    EXPECT_FALSE(tk::os::file_exists(utf8(root_ + L"\\absent.txt")));
    EXPECT_FALSE(tk::os::file_exists(""));
}

TEST_F(Scratch, AProgramStartsFromItsWholePathInTheSystemFolder) {
    tk::os::start_program(utf8(child_), 1);
    const std::vector<std::string> rec = record_of(child_);
    ASSERT_EQ(rec.size(), 3u) << "the program under \"my tool\" did not run";
    wchar_t sys[MAX_PATH + 1] = {};
    ASSERT_GT(::GetSystemDirectoryW(sys, MAX_PATH + 1), 0u);
    // Never the folder Taluvex was started from.
    EXPECT_EQ(lower(tk::os::widen(rec[0])), lower(sys));
    EXPECT_EQ(rec[1], "");          // no arguments
    EXPECT_EQ(rec[2], "1");         // window style 1: SW_SHOWNORMAL
    // The path was not split at its blank.
    EXPECT_EQ(::GetFileAttributesW((planted_ + L".ran").c_str()), INVALID_FILE_ATTRIBUTES);

    ::DeleteFileW((child_ + L".ran").c_str());
    tk::os::start_program(utf8(child_), 6);
    const std::vector<std::string> again = record_of(child_);
    ASSERT_EQ(again.size(), 3u);
    EXPECT_EQ(again[2], std::to_string(SW_SHOWMINNOACTIVE));
}

TEST_F(Scratch, AStartThatCannotWorkIsAnError) {
    const int not_found = static_cast<int>(tk::ErrorCode::FileNotFound);
    EXPECT_EQ(code_of_start(utf8(tool_ + L"\\absent.exe")), not_found);
    EXPECT_EQ(code_of_start(utf8(root_ + L"\\no folder\\x.exe")), not_found);
    EXPECT_EQ(code_of_start(""), not_found);
    EXPECT_EQ(code_of_start("\"" + utf8(child_) + "\""), not_found);  // quotes are no part of a name
    EXPECT_NE(code_of_start(utf8(file(L"plain.txt"))), 0);            // not a program
    EXPECT_NE(code_of_start(utf8(tool_)), 0);                         // a folder
}
