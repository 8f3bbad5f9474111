// SPDX-License-Identifier: GPL-3.0-or-later
// Memory figures and the release block, from the real system.
#include <windows.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <cstdint>

#include "toolkit/error.h"
#include "toolkit/os/os.h"

using tk::MemField;

namespace {

// Within a tenth: both read a system that other programs change meanwhile.
bool within_a_tenth(std::uint64_t a, std::uint64_t b) {
    const std::uint64_t d = a > b ? a - b : b - a;
    return d <= (a > b ? a : b) / 10;
}

}  // namespace

TEST(WindowsMemory, FiguresAreBytesAndAgreeWithTheSystemsPerformanceRecord) {
    const std::uint64_t total = tk::os::memory_figure(MemField::TotalPhys);
    const std::uint64_t avail = tk::os::memory_figure(MemField::AvailPhys);
    const std::uint64_t page_total = tk::os::memory_figure(MemField::TotalPage);
    const std::uint64_t page_avail = tk::os::memory_figure(MemField::AvailPage);
    EXPECT_GT(total, 64ull << 20);
    EXPECT_GT(avail, 0u);
    EXPECT_LE(avail, total);
    EXPECT_GT(page_total, 0u);
    EXPECT_LE(page_avail, page_total);
    // Another road to the same counters, in pages.
    PERFORMANCE_INFORMATION pi{};
    pi.cb = sizeof pi;
    ASSERT_TRUE(::GetPerformanceInfo(&pi, sizeof pi));
    const std::uint64_t page = pi.PageSize;
    EXPECT_TRUE(within_a_tenth(total, pi.PhysicalTotal * page)) << total << " vs " << pi.PhysicalTotal * page;
    EXPECT_TRUE(within_a_tenth(page_total, pi.CommitLimit * page)) << page_total << " vs " << pi.CommitLimit * page;
    // Beyond 4 GB the figures are whole 64-bit counts, never cut to 32 bits.
    MEMORYSTATUSEX ms{};
    ms.dwLength = sizeof ms;
    ASSERT_TRUE(::GlobalMemoryStatusEx(&ms));
    if (ms.ullTotalPhys > 0xFFFFFFFFull) {
        EXPECT_GT(total, 0xFFFFFFFFull);
    }
}

TEST(WindowsMemory, TheReleaseBlockIsWrittenWholeAndGivenBack) {
    constexpr std::size_t kChars = 8'000'000;  // 16 MB
    const void* where = nullptr;
    {
        tk::BlankText block = tk::os::blank_text(kChars);
        ASSERT_EQ(block.size(), kChars);
        where = block.data();
        std::size_t blanks = 0;
        for (std::size_t i = 0; i < kChars; ++i) blanks += block.data()[i] == u' ';
        EXPECT_EQ(blanks, kChars);
        MEMORY_BASIC_INFORMATION mbi{};
        ASSERT_NE(::VirtualQuery(where, &mbi, sizeof mbi), 0u);
        EXPECT_EQ(mbi.State, static_cast<DWORD>(MEM_COMMIT));
        EXPECT_EQ(mbi.Protect, static_cast<DWORD>(PAGE_READWRITE));
    }
    MEMORY_BASIC_INFORMATION mbi{};
    ASSERT_NE(::VirtualQuery(where, &mbi, sizeof mbi), 0u);
    EXPECT_EQ(mbi.State, static_cast<DWORD>(MEM_FREE));
    EXPECT_EQ(tk::os::blank_text(0).size(), 0u);
}

TEST(WindowsMemory, AClaimThatCannotBeHadIsOutOfMemory) {
    auto code_of = [](std::size_t chars) {
        try {
            tk::os::blank_text(chars);
        } catch (const tk::Error& e) {
            return static_cast<int>(e.code());
        }
        return 0;
    };
    // More bytes than a size can count, and more than the address space holds.
    EXPECT_EQ(code_of(SIZE_MAX / 2 + 1), static_cast<int>(tk::ErrorCode::OutOfMemory));
    EXPECT_EQ(code_of(std::size_t{1} << 46), static_cast<int>(tk::ErrorCode::OutOfMemory));
}
