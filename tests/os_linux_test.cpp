// SPDX-License-Identifier: GPL-3.0-or-later
// The Linux system layer, for real: files, program start, the registry
// stand-in, the command line and the memory figures.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <sstream>

#include <gtest/gtest.h>

#include "toolkit/error.h"
#include "toolkit/os/command_line.h"
#include "toolkit/os/linux/cgroup.h"
#include "toolkit/os/os.h"

namespace fs = std::filesystem;

namespace {

struct TempDir {
    fs::path path;
    TempDir() {
        char tmpl[] = "/tmp/taluvex-os-XXXXXX";
        path = ::mkdtemp(tmpl);
    }
    ~TempDir() { fs::remove_all(path); }
    std::string file(const std::string& name, const std::string& text, bool executable = false) {
        const fs::path p = path / name;
        std::ofstream(p) << text;
        if (executable) fs::permissions(p, fs::perms::owner_all);
        return p.string();
    }
};

// The started program runs on its own schedule; a busy machine may take a while.
bool appears(const fs::path& p) {
    for (int i = 0; i < 1000; ++i) {
        if (fs::exists(p)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

std::uint64_t meminfo_kb(const std::string& key) {
    std::ifstream f("/proc/meminfo");
    std::string k;
    std::uint64_t v;
    std::string unit;
    while (f >> k >> v) {
        std::getline(f, unit);
        if (k == key + ":") return v;
    }
    return 0;
}

}  // namespace

TEST(LinuxFiles, OnlyOrdinaryVisibleFilesExist) {
    TempDir d;
    EXPECT_TRUE(tk::os::file_exists(d.file("MSINFO32.EXE", "x")));
    EXPECT_FALSE(tk::os::file_exists(d.file(".hidden", "x")));
    EXPECT_FALSE(tk::os::file_exists(d.path.string()));
    EXPECT_FALSE(tk::os::file_exists((d.path / "missing").string()));
    EXPECT_FALSE(tk::os::file_exists(""));
}

TEST(LinuxStart, RunsTheFileItselfNeverAShell) {
    TempDir d;
    const fs::path marker = d.path / "ran";
    // A name with blanks and shell characters is one file name, nothing more.
    const std::string tool = d.file("info tool; touch hacked", "#!/bin/sh\ntouch '" + marker.string() + "'\n", true);
    tk::os::start_program(tool, 1);
    EXPECT_TRUE(appears(marker));
    EXPECT_FALSE(fs::exists(d.path / "hacked"));
    EXPECT_FALSE(fs::exists("hacked"));

    EXPECT_THROW(tk::os::start_program((d.path / "missing").string(), 1), tk::Error);
    EXPECT_THROW(tk::os::start_program(d.file("plain.txt", "not a program"), 1), tk::Error);
    EXPECT_THROW(tk::os::start_program("", 1), tk::Error);
}

TEST(LinuxRegistry, TheInfoKeyAnswersWithTheFirstToolOnPath) {
    TempDir d;
    const std::string old_path = std::getenv("PATH") ? std::getenv("PATH") : "";
    d.file("lshw-gtk", "#!/bin/sh\n", true);
    d.file("kinfocenter", "#!/bin/sh\n", true);
    ::setenv("PATH", ("/nonexistent:" + d.path.string()).c_str(), 1);
    tk::RegKey key = 0;
    ASSERT_EQ(tk::os::reg_open_key(tk::HKEY_LOCAL_MACHINE_, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", 0,
                                   0x2003F, key),
              0);
    std::uint8_t buf[1024];
    std::uint32_t size = sizeof buf, type = 0;
    ASSERT_EQ(tk::os::reg_query_value(key, "PATH", 0, type, buf, size), 0);
    EXPECT_EQ(type, tk::REG_SZ_);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), size), (d.path / "kinfocenter").string() + '\0');
    // Too small a buffer is refused with the size it needs.
    std::uint32_t small = 4;
    EXPECT_NE(tk::os::reg_query_value(key, "PATH", 0, type, buf, small), 0);
    EXPECT_EQ(small, size);
    EXPECT_NE(tk::os::reg_query_value(key, "MSINFO", 0, type, buf, size), 0);
    tk::os::reg_close_key(key);

    tk::RegKey other = 0;
    EXPECT_NE(tk::os::reg_open_key(tk::HKEY_LOCAL_MACHINE_, "SOFTWARE\\Microsoft\\Shared Tools Location", 0,
                                   0x2003F, other),
              0);
    // None of the tools on PATH: not found.
    ::setenv("PATH", "/nonexistent", 1);
    size = sizeof buf;
    EXPECT_NE(tk::os::reg_query_value(key, "PATH", 0, type, buf, size), 0);
    ::setenv("PATH", old_path.c_str(), 1);
}

TEST(LinuxCommandLine, ArgumentsJoinedBySingleBlanks) {
    char prog[] = "taluvex", a[] = "/AUTO", b[] = "x y";
    char* none[] = {prog, nullptr};
    char* two[] = {prog, a, b, nullptr};
    EXPECT_EQ(tk::os::argument_text(1, none), "");
    EXPECT_EQ(tk::os::argument_text(3, two), "/AUTO x y");
}

TEST(LinuxMemory, FiguresAgreeWithProcMeminfo) {
    using F = tk::MemField;
    const std::uint64_t total = tk::os::memory_figure(F::TotalPhys);
    EXPECT_EQ(total, meminfo_kb("MemTotal") * 1024);
    EXPECT_EQ(tk::os::memory_figure(F::TotalPage), meminfo_kb("SwapTotal") * 1024);
    // Other programs move free memory at any moment (the release test claims
    // 160 MB beside this one), so the figure is checked against the readings
    // just before and after it, until a pair of them lies close enough.
    bool between = false;
    std::uint64_t avail = 0;
    for (int attempt = 0; attempt < 200 && !between; ++attempt) {
        const std::uint64_t before = meminfo_kb("MemAvailable") * 1024;
        avail = tk::os::memory_figure(F::AvailPhys);
        const std::uint64_t after = meminfo_kb("MemAvailable") * 1024;
        between = std::min(before, after) <= avail && avail <= std::max(before, after);
    }
    EXPECT_TRUE(between) << avail;
    EXPECT_GT(avail, 0u);
    EXPECT_LE(avail, total);
    EXPECT_LE(tk::os::memory_figure(F::AvailPage), tk::os::memory_figure(F::TotalPage));
}

TEST(LinuxCgroup, TheRoomIsTheTightestLimitUpToTheRoot) {
    constexpr std::uint64_t none = UINT64_MAX, M = 1 << 20;
    // Files as "path=value" under the root ("path=/": a folder where a file
    // should be, so it cannot be read); values in MB unless "max".
    const struct {
        const char *self, *files;
        std::uint64_t swap_free, room;
    } rows[] = {
        {"0::/a/b\n", "cgroup.controllers= a/b/memory.max=150 a/b/memory.current=50 a/memory.max=max", 0, 100 * M},
        {"0::/a/b\n", "cgroup.controllers= a/b/memory.max=max a/b/memory.current=1 a/memory.max=200 a/memory.current=190",
         0, 10 * M},
        {"0::/s\n", "cgroup.controllers= s/memory.max=100 s/memory.current=0 s/memory.swap.max=40 s/memory.swap.current=20",
         500 * M, 120 * M},
        {"0::/s\n", "cgroup.controllers= s/memory.max=100 s/memory.current=200", 30 * M, 30 * M},
        {"1:cpu:/\n0::/u\n", "unified/u/memory.max=10 unified/u/memory.current=0", 0, 10 * M},
        {"0::/p/q\n", "cgroup.controllers= p/q/memory.max=/ p/q/memory.current=0 p/memory.max=200 p/memory.current=0", 0,
         200 * M},
        {"5:cpu:/\n4:memory:/c/d\n0::/\n",
         "memory/c/d/memory.limit_in_bytes=150 memory/c/d/memory.usage_in_bytes=7 memory/c/memory.limit_in_bytes=v1max "
         "memory/c/memory.usage_in_bytes=7",
         0, 143 * M},
        {"4:cpu,memory:/c/d\n",
         "cpu,memory/c/d/memory.limit_in_bytes=1024 cpu,memory/c/d/memory.usage_in_bytes=0 "
         "cpu,memory/c/memory.limit_in_bytes=200 cpu,memory/c/memory.usage_in_bytes=100 "
         "cpu,memory/c/memory.memsw.limit_in_bytes=220 cpu,memory/c/memory.memsw.usage_in_bytes=100",
         1000 * M, 120 * M},
        {"1:cpu:/\n", "", 0, none},
    };
    auto text = [](const std::string& v) -> std::string {
        if (v == "max" || v.empty()) return v + "\n";
        if (v == "v1max") return "9223372036854771712\n";
        return std::to_string(std::stoull(v) * M) + "\n";
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.files);
        TempDir d;
        std::istringstream files(row.files);
        for (std::string entry; files >> entry;) {
            const std::size_t eq = entry.find('=');
            const fs::path path = d.path / entry.substr(0, eq);
            fs::create_directories(path.parent_path());
            if (entry.substr(eq + 1) == "/") fs::create_directory(path);
            else std::ofstream(path) << text(entry.substr(eq + 1));
        }
        EXPECT_EQ(tk::os::cgroup_room(d.path.string(), row.self, row.swap_free), row.room);
    }
}

TEST(CommandLine, TheTextAfterTheProgramNameStaysAsTyped) {
    using tk::os::after_program_name;
    using sv = std::string_view;
    EXPECT_EQ(after_program_name(sv("\"C:\\Program Files\\Taluvex\\taluvex.exe\" /AUTO")), "/AUTO");
    EXPECT_EQ(after_program_name(sv("taluvex.exe   /quit ")), "/quit ");  // the trailing blank is kept
    EXPECT_EQ(after_program_name(sv("taluvex.exe\t\"/AUTO\"")), "\"/AUTO\"");
    EXPECT_EQ(after_program_name(sv("taluvex.exe /AUTO /QUIT")), "/AUTO /QUIT");
    EXPECT_EQ(after_program_name(sv("\"C:\\a b\\taluvex.exe\"")), "");
    EXPECT_EQ(after_program_name(sv("taluvex.exe")), "");
    EXPECT_EQ(after_program_name(sv("\"unterminated /AUTO")), "");
    EXPECT_EQ(after_program_name(sv("")), "");
    EXPECT_EQ(after_program_name(std::wstring_view(L"\"x.exe\"/AUTO")), L"/AUTO");
}
