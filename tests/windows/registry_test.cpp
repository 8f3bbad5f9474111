// SPDX-License-Identifier: GPL-3.0-or-later
// The registry as the About box reads it: the OS layer's three calls against
// the real registry, and GetKeyValue's decoding of every kind of value.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "about/frmAbout.h"
#include "app/program.h"
#include "toolkit/headless/headless_desktop.h"
#include "toolkit/headless/headless_system.h"
#include "toolkit/os/os.h"
#include "toolkit/os/real_system.h"
#include "toolkit/os/windows/text.h"
#include "toolkit/runtime.h"
#include "ui/frmMain.h"

namespace {

constexpr std::uint32_t kHKCU = 0x80000001u;
constexpr std::uint32_t kHKLM = 0x80000002u;
constexpr std::uint32_t kQueryValue = 0x0001;  // KEY_QUERY_VALUE

// A scratch key under HKEY_CURRENT_USER, filled with values and removed again.
class ScratchKey : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = "Software\\Taluvex Test " + std::to_string(::GetCurrentProcessId());
        ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                    &key_, nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        if (key_) ::RegCloseKey(key_);
        ::RegDeleteKeyA(HKEY_CURRENT_USER, path_.c_str());
    }
    void put(const char* name, DWORD type, const std::vector<std::uint8_t>& data) {
        // The system adds a string's forgotten terminator when the byte after
        // the data happens to be zero; a non-zero one keeps the value as given.
        std::vector<std::uint8_t> guarded(data);
        guarded.push_back(0xFF);
        ASSERT_EQ(::RegSetValueExA(key_, name, 0, type, guarded.data(), static_cast<DWORD>(data.size())),
                  ERROR_SUCCESS);
    }
    static std::vector<std::uint8_t> bytes(const std::string& s, bool zero) {
        std::vector<std::uint8_t> v(s.begin(), s.end());
        if (zero) v.push_back(0);
        return v;
    }

    std::string path_;
    HKEY key_ = nullptr;
};

struct Read {
    std::int32_t rc;
    std::uint32_t type, size;
    std::vector<std::uint8_t> data;
};

}  // namespace

TEST_F(ScratchKey, TheOsLayerReadsEveryTypeAndSizeAsTheSystemStoresIt) {
    put("sz", REG_SZ, bytes("C:\\x.exe", true));
    put("bare", REG_SZ, bytes("C:\\y.exe", false));
    put("empty", REG_SZ, {});
    put("dword", REG_DWORD, {0x78, 0x56, 0x34, 0x12});
    put("qword", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8});
    put("binary", REG_BINARY, {0, 1, 2});
    put("expand", REG_EXPAND_SZ, bytes("%SystemRoot%\\x", true));
    put("multi", REG_MULTI_SZ, {'a', 0, 'b', 0, 0});
    put("full", REG_SZ, std::vector<std::uint8_t>(1024, 'f'));
    put("big", REG_SZ, std::vector<std::uint8_t>(1025, 'g'));

    tk::RegKey key = 0;
    ASSERT_EQ(tk::os::reg_open_key(kHKCU, path_, 0, kQueryValue, key), 0);
    ASSERT_NE(key, 0u);
    auto read = [&](const std::string& name) {
        Read r{0, 0, 1024, std::vector<std::uint8_t>(1024, 0xEE)};
        r.rc = tk::os::reg_query_value(key, name, 0, r.type, r.data.data(), r.size);
        return r;
    };
    Read r = read("sz");
    EXPECT_EQ(r.rc, 0);
    EXPECT_EQ(r.type, tk::REG_SZ_);
    EXPECT_EQ(r.size, 9u);
    EXPECT_EQ(std::string(r.data.begin(), r.data.begin() + 9), std::string("C:\\x.exe\0", 9));
    r = read("bare");
    EXPECT_EQ(r.size, 8u);  // no zero added
    EXPECT_EQ(r.data[7], 'e');
    r = read("empty");
    EXPECT_EQ(r.rc, 0);
    EXPECT_EQ(r.size, 0u);
    r = read("dword");
    EXPECT_EQ(r.type, tk::REG_DWORD_);
    EXPECT_EQ(r.size, 4u);
    EXPECT_EQ(r.data[0], 0x78);
    r = read("qword");
    EXPECT_EQ(r.type, static_cast<std::uint32_t>(REG_QWORD));
    EXPECT_EQ(r.size, 8u);
    r = read("binary");
    EXPECT_EQ(r.type, static_cast<std::uint32_t>(REG_BINARY));
    EXPECT_EQ(r.size, 3u);
    r = read("expand");
    EXPECT_EQ(r.type, static_cast<std::uint32_t>(REG_EXPAND_SZ));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(r.data.data())), "%SystemRoot%\\x");  // not expanded
    r = read("multi");
    EXPECT_EQ(r.type, static_cast<std::uint32_t>(REG_MULTI_SZ));
    EXPECT_EQ(r.size, 5u);
    r = read("full");
    EXPECT_EQ(r.rc, 0);
    EXPECT_EQ(r.size, 1024u);
    r = read("big");  // one byte too many: refused, with the size it needs
    EXPECT_EQ(r.rc, ERROR_MORE_DATA);
    EXPECT_EQ(r.size, 1025u);
    r = read("absent");
    EXPECT_EQ(r.rc, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(tk::os::reg_close_key(key), 0);
}

TEST_F(ScratchKey, AReadOnlyOpenWorksAndCannotWrite) {
    tk::RegKey key = 0;
    ASSERT_EQ(tk::os::reg_open_key(kHKCU, path_, 0, kQueryValue, key), 0);
    // The handle carries only the rights asked for.
    const std::uint32_t v = 1;
    EXPECT_EQ(::RegSetValueExA(reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(key)), "w", 0, REG_DWORD,
                               reinterpret_cast<const BYTE*>(&v), sizeof v),
              ERROR_ACCESS_DENIED);
    tk::os::reg_close_key(key);
    // A machine-wide key opens read-only as well (the predefined root is a
    // 32-bit value that has to be widened with its sign).
    tk::RegKey machine = 0;
    EXPECT_EQ(tk::os::reg_open_key(kHKLM, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", 0, kQueryValue,
                                   machine),
              0);
    EXPECT_NE(machine, 0u);
    tk::os::reg_close_key(machine);
    // A key that is not there: an error, and no handle.
    tk::RegKey none = 12345;
    EXPECT_EQ(tk::os::reg_open_key(kHKCU, path_ + "\\absent", 0, kQueryValue, none), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(none, 0u);
    // Closing the handle of a failed open is harmless.
    EXPECT_NE(tk::os::reg_close_key(none), 0);
}

namespace {

// The real system, noting the access every open asks for.
class RealRegistry : public tk::os::RealSystem {
public:
    std::int32_t reg_open_key(std::uint32_t root, const std::string& key, std::uint32_t options,
                              std::uint32_t access, tk::RegKey& out) override {
        accesses.push_back(access);
        return RealSystem::reg_open_key(root, key, options, access, out);
    }
    std::vector<std::uint32_t> accesses;
};

}  // namespace

TEST_F(ScratchKey, GetKeyValueDecodesWhatTheRealRegistryReturns) {
    put("zero", REG_SZ, bytes("C:\\x.exe", true));
    put("bare", REG_SZ, bytes("C:\\y.exe", false));
    put("only-zero", REG_SZ, {0});
    put("empty", REG_SZ, {});
    put("dword", REG_DWORD, {0x78, 0x56, 0x34, 0x12});
    put("high", REG_DWORD, {0xFF, 0xFF, 0xFF, 0xFF});
    put("binary", REG_BINARY, {1, 2, 3});
    put("full", REG_SZ, std::vector<std::uint8_t>(1024, 'b'));
    put("big", REG_SZ, std::vector<std::uint8_t>(1025, 'a'));
    put("ansi", REG_SZ, {'c', 'a', 'f', 0xE9, 0});

    RealRegistry os;
    tk::headless::HeadlessDesktop desk;
    tk::Runtime rt(os, desk);
    std::unique_ptr<frmMain> main = StartProgram(rt);
    ASSERT_TRUE(main->user_choose(tk::win32::desktop_key(), main->mnuAbout));
    frmAbout& a = *main->About();
    std::string v = "old";
    EXPECT_TRUE(a.GetKeyValue(kHKCU, path_, "zero", v));
    EXPECT_EQ(v, "C:\\x.exe");  // the terminating zero dropped
    EXPECT_TRUE(a.GetKeyValue(kHKCU, path_, "bare", v));
    EXPECT_EQ(v, "C:\\y.exe");  // read whole
    EXPECT_TRUE(a.GetKeyValue(kHKCU, path_, "only-zero", v));
    EXPECT_EQ(v, "");
    v = "old";
    EXPECT_TRUE(a.GetKeyValue(kHKCU, path_, "empty", v));
    EXPECT_EQ(v, "");
    EXPECT_TRUE(a.GetKeyValue(kHKCU, path_, "dword", v));
    EXPECT_EQ(v, "305419896");
    EXPECT_TRUE(a.GetKeyValue(kHKCU, path_, "high", v));
    EXPECT_EQ(v, "4294967295");
    v = "kept";
    EXPECT_TRUE(a.GetKeyValue(kHKCU, path_, "binary", v));
    EXPECT_EQ(v, "kept");  // other types leave the text as passed
    EXPECT_TRUE(a.GetKeyValue(kHKCU, path_, "full", v));
    EXPECT_EQ(v, std::string(1024, 'b'));
    EXPECT_FALSE(a.GetKeyValue(kHKCU, path_, "big", v));
    EXPECT_EQ(v, "");
    EXPECT_FALSE(a.GetKeyValue(kHKCU, path_, "absent", v));
    EXPECT_FALSE(a.GetKeyValue(kHKCU, path_ + "\\absent", "x", v));
    EXPECT_EQ(v, "");
    // Single-byte text comes in the system's ANSI code page.
    if (::GetACP() == 1252) {
        EXPECT_TRUE(a.GetKeyValue(kHKCU, path_, "ansi", v));
        EXPECT_EQ(v, "caf\xC3\xA9");
    }
    // Every open asked for reading only.
    ASSERT_FALSE(os.accesses.empty());
    for (std::uint32_t access : os.accesses) EXPECT_EQ(access, kQueryValue);
    main->unload();
}
