// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's only source of memory figures. Each getter takes a fresh
// reading and returns whole megabytes; no figure is shared between calls.
#include <cstdint>

#include "toolkit/system.h"

class MemoryRelease {
public:
    explicit MemoryRelease(tk::System& system) : system_(system) {}

    std::int64_t GetAvailPhysicalMB();
    std::int64_t GetTotalPhysicalMB();
    std::int64_t GetAvailPagefileMB();
    std::int64_t GetTotalPagefileMB();

    // Megabytes rounded to two decimals (1 MB = 1,048,576 bytes).
    static double BytesToMB(const std::uint64_t& bytes);
    // The whole-megabyte figure: the two-decimal value rounded half to even.
    // Exact for every 64-bit count (integer arithmetic throughout).
    static std::int64_t MegabyteFigure(std::uint64_t bytes);

private:
    struct MemoryStatus {
        std::uint64_t TotalPhys = 0, AvailPhys = 0, TotalPageFile = 0, AvailPageFile = 0;
    };
    std::int64_t Read(tk::MemField field, std::uint64_t MemoryStatus::*slot);

    tk::System& system_;
    MemoryStatus MemoryState;
};
