// SPDX-License-Identifier: GPL-3.0-or-later
// Command line, file test, program start, registry and text conversion on
// Windows.
#include <windows.h>

#include <climits>
#include <vector>

#include "toolkit/error.h"
#include "toolkit/os/command_line.h"
#include "toolkit/os/os.h"
#include "toolkit/os/windows/text.h"

namespace tk::os {

namespace {

// Bytes in the given code page as UTF-16, sized by a first call.
std::wstring to_wide(UINT code_page, std::string_view bytes) {
    if (bytes.empty()) return {};
    if (bytes.size() > static_cast<std::size_t>(INT_MAX)) throw Error(ErrorCode::Overflow, "Overflow");
    const int n = static_cast<int>(bytes.size());
    const int len = ::MultiByteToWideChar(code_page, 0, bytes.data(), n, nullptr, 0);
    if (len <= 0) return {};
    std::wstring out(static_cast<std::size_t>(len), L'\0');
    ::MultiByteToWideChar(code_page, 0, bytes.data(), n, out.data(), len);
    return out;
}

}  // namespace

std::wstring widen(std::string_view utf8) { return to_wide(CP_UTF8, utf8); }

std::string narrow(std::wstring_view utf16) {
    if (utf16.empty()) return {};
    if (utf16.size() > static_cast<std::size_t>(INT_MAX)) throw Error(ErrorCode::Overflow, "Overflow");
    const int n = static_cast<int>(utf16.size());
    const int len = ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), n, nullptr, 0, nullptr, nullptr);
    if (len <= 0) return {};
    std::string out(static_cast<std::size_t>(len), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), n, out.data(), len, nullptr, nullptr);
    return out;
}

std::string text_from_ansi(const std::string& bytes) { return narrow(to_wide(CP_ACP, bytes)); }

// The arguments are whatever follows the program's name on the real command
// line, quotes and all; argc/argv have already lost them.
std::string argument_text(int, char**) {
    const wchar_t* line = ::GetCommandLineW();
    if (!line) return {};
    return narrow(after_program_name(std::wstring_view(line)));
}

bool file_exists(const std::string& path) {
    if (path.empty()) return false;
    const DWORD attr = ::GetFileAttributesW(widen(path).c_str());
    if (attr == INVALID_FILE_ATTRIBUTES) return false;
    return (attr & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) == 0;
}

namespace {

WORD show_command(int window_style) {
    switch (window_style) {
        case 0: return SW_HIDE;
        case 2: return SW_SHOWMINIMIZED;
        case 3: return SW_SHOWMAXIMIZED;
        case 4: return SW_SHOWNOACTIVATE;
        case 6: return SW_SHOWMINNOACTIVE;
        default: return SW_SHOWNORMAL;
    }
}

// The system folder: a started program that inherited ours would hold the
// folder Taluvex was started from, so it could not be removed or ejected
// while that program runs.
std::wstring system_folder() {
    wchar_t buf[MAX_PATH + 1] = {};
    const UINT n = ::GetSystemDirectoryW(buf, MAX_PATH + 1);
    if (n == 0 || n > MAX_PATH) return {};
    return std::wstring(buf, n);
}

}  // namespace

void start_program(const std::string& path, int window_style) {
    if (path.empty() || path.find('\0') != std::string::npos || path.find('"') != std::string::npos)
        throw Error(ErrorCode::FileNotFound, "File not found");
    const std::wstring app = widen(path);
    // The name goes in as the application itself, so that a path with blanks
    // is never split into a shorter program and its arguments.
    std::wstring command = L"\"" + app + L"\"";
    std::vector<wchar_t> line(command.begin(), command.end());
    line.push_back(L'\0');
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = show_command(window_style);
    PROCESS_INFORMATION pi{};
    const std::wstring folder = system_folder();
    if (!::CreateProcessW(app.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          folder.empty() ? nullptr : folder.c_str(), &si, &pi)) {
        const DWORD err = ::GetLastError();
        if (err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND || err == ERROR_INVALID_NAME ||
            err == ERROR_BAD_PATHNAME)
            throw Error(ErrorCode::FileNotFound, "File not found");
        throw Error(ErrorCode::InvalidCall, "Cannot start program");
    }
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
}

namespace {

// Predefined roots are 32-bit values that the system sign-extends.
HKEY key_of(std::uint32_t root) {
    return reinterpret_cast<HKEY>(static_cast<LONG_PTR>(static_cast<std::int32_t>(root)));
}
HKEY key_of(RegKey key) { return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(key)); }

}  // namespace

std::int32_t reg_open_key(std::uint32_t root, const std::string& key, std::uint32_t options,
                          std::uint32_t access, RegKey& out) {
    HKEY opened = nullptr;
    const LONG rc = ::RegOpenKeyExA(key_of(root), key.c_str(), options, access, &opened);
    out = rc == ERROR_SUCCESS ? static_cast<RegKey>(reinterpret_cast<ULONG_PTR>(opened)) : 0;
    return rc;
}

std::int32_t reg_query_value(RegKey key, const std::string& name, std::uint32_t reserved, std::uint32_t& type,
                             std::uint8_t* data, std::uint32_t& size) {
    DWORD t = type, s = size;
    const LONG rc = ::RegQueryValueExA(key_of(key), name.c_str(),
                                       reinterpret_cast<LPDWORD>(static_cast<ULONG_PTR>(reserved)), &t, data, &s);
    type = t;
    size = s;
    return rc;
}

std::int32_t reg_close_key(RegKey key) { return ::RegCloseKey(key_of(key)); }

}  // namespace tk::os
