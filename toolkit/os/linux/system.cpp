// SPDX-License-Identifier: GPL-3.0-or-later
// Command line, file test, program start and the registry stand-in on Linux.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <string_view>

#include "toolkit/error.h"
#include "toolkit/os/os.h"
#include "toolkit/text.h"
#include "toolkit/shell_codes.h"

namespace tk::os {

std::string argument_text(int argc, char** argv) {
    std::string text;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) text += ' ';
        text += argv[i];
    }
    return text;
}

bool file_exists(const std::string& path) {
    if (path.empty()) return false;
    const std::size_t slash = path.find_last_of('/');
    const std::string_view base = std::string_view(path).substr(slash == std::string::npos ? 0 : slash + 1);
    // A dot-file is this system's hidden file.
    if (base.empty() || base.front() == '.') return false;
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void start_program(const std::string& path, int /*window_style*/) {
    if (path.empty() || path.find('\0') != std::string::npos)
        throw Error(ErrorCode::FileNotFound, "File not found");
    // The file itself is executed, never a shell, so nothing in the name is
    // interpreted. A grandchild runs it so that no zombie is left behind; a
    // close-on-exec pipe brings back the exec error, if any.
    int pipefd[2];
    if (::pipe2(pipefd, O_CLOEXEC) != 0) throw Error(ErrorCode::InvalidCall, "Cannot start program");
    char* const argv[] = {const_cast<char*>(path.c_str()), nullptr};
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(pipefd[0]);
        ::close(pipefd[1]);
        throw Error(ErrorCode::InvalidCall, "Cannot start program");
    }
    if (child == 0) {
        ::close(pipefd[0]);
        const pid_t grandchild = ::fork();
        if (grandchild == 0) {
            ::setsid();
            ::execve(path.c_str(), argv, environ);
            const int err = errno;
            [[maybe_unused]] ssize_t w = ::write(pipefd[1], &err, sizeof err);
            ::_exit(127);
        }
        if (grandchild < 0) {
            const int err = errno;
            [[maybe_unused]] ssize_t w = ::write(pipefd[1], &err, sizeof err);
        }
        ::_exit(0);
    }
    ::close(pipefd[1]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int err = 0;
    ssize_t n;
    while ((n = ::read(pipefd[0], &err, sizeof err)) < 0 && errno == EINTR) {
    }
    ::close(pipefd[0]);
    if (n > 0) throw Error(ErrorCode::FileNotFound, "File not found");
}

// The registry stand-in. This system has no registry; the one question the
// program asks of it is where the system-information tool is, so the first
// key's PATH answers with the first of these programs found on PATH.
namespace {

constexpr std::string_view kInfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr std::array<std::string_view, 6> kInfoPrograms = {
    "hardinfo2", "hardinfo", "kinfocenter", "lshw-gtk", "gnome-system-monitor", "mate-system-monitor",
};
constexpr std::int32_t kFileNotFound = ERROR_FILE_NOT_FOUND, kMoreData = ERROR_MORE_DATA,
                       kInvalidHandle = ERROR_INVALID_HANDLE;
constexpr RegKey kInfoHandle = 0x4B1u;

std::string find_info_program() {
    const char* env = ::getenv("PATH");
    if (!env) return {};
    const std::string_view path_list(env);
    for (std::string_view prog : kInfoPrograms) {
        std::size_t start = 0;
        while (start <= path_list.size()) {
            std::size_t end = path_list.find(':', start);
            if (end == std::string_view::npos) end = path_list.size();
            std::string dir(path_list.substr(start, end - start));
            if (!dir.empty() && dir.front() == '/') {
                std::string candidate = dir + "/" + std::string(prog);
                struct stat st;
                if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
                    ::access(candidate.c_str(), X_OK) == 0)
                    return candidate;
            }
            start = end + 1;
        }
    }
    return {};
}

}  // namespace

std::int32_t reg_open_key(std::uint32_t root, const std::string& key, std::uint32_t, std::uint32_t,
                          RegKey& out) {
    out = 0;
    // Key names compare without regard to case, as the real registry does.
    if (root != HKEY_LOCAL_MACHINE_ || upper_ascii(key) != upper_ascii(kInfoKey)) return kFileNotFound;
    out = kInfoHandle;
    return 0;
}

std::int32_t reg_query_value(RegKey key, const std::string& name, std::uint32_t, std::uint32_t& type,
                             std::uint8_t* data, std::uint32_t& size) {
    if (key != kInfoHandle) return kInvalidHandle;
    if (upper_ascii(name) != "PATH") return kFileNotFound;
    const std::string found = find_info_program();
    if (found.empty()) return kFileNotFound;
    const std::size_t need = found.size() + 1;
    if (need > size || !data) {
        size = static_cast<std::uint32_t>(need);
        return kMoreData;
    }
    for (std::size_t i = 0; i < found.size(); ++i) data[i] = static_cast<std::uint8_t>(found[i]);
    data[found.size()] = 0;
    size = static_cast<std::uint32_t>(need);
    type = REG_SZ_;
    return 0;
}

std::int32_t reg_close_key(RegKey) { return 0; }

std::string text_from_ansi(const std::string& bytes) { return bytes; }

}  // namespace tk::os
