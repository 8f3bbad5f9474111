// SPDX-License-Identifier: GPL-3.0-or-later
#include "memory/MemoryRelease.h"

namespace {

// The value in hundredths of a megabyte, rounded half up as a two-decimal
// format rounds: whole megabytes times 100 plus the rounded fraction.
std::uint64_t Hundredths(std::uint64_t bytes) {
    const std::uint64_t whole = bytes >> 20;
    const std::uint64_t rest = bytes & ((1u << 20) - 1);
    return whole * 100 + ((rest * 100 + (1u << 19)) >> 20);
}

}  // namespace

double MemoryRelease::BytesToMB(const std::uint64_t& bytes) {
    const std::uint64_t h = Hundredths(bytes);
    return static_cast<double>(h / 100) + static_cast<double>(h % 100) / 100.0;
}

std::int64_t MemoryRelease::MegabyteFigure(std::uint64_t bytes) {
    const std::uint64_t h = Hundredths(bytes);
    const std::uint64_t whole = h / 100, frac = h % 100;
    if (frac < 50) return static_cast<std::int64_t>(whole);
    if (frac > 50) return static_cast<std::int64_t>(whole + 1);
    return static_cast<std::int64_t>(whole % 2 == 0 ? whole : whole + 1);
}

std::int64_t MemoryRelease::Read(tk::MemField field, std::uint64_t MemoryStatus::*slot) {
    // Every call takes its own reading; nothing survives from the last one.
    MemoryState = MemoryStatus{};
    MemoryState.*slot = system_.memory_figure(field);
    return MegabyteFigure(MemoryState.*slot);
}

std::int64_t MemoryRelease::GetAvailPhysicalMB() { return Read(tk::MemField::AvailPhys, &MemoryStatus::AvailPhys); }
std::int64_t MemoryRelease::GetTotalPhysicalMB() { return Read(tk::MemField::TotalPhys, &MemoryStatus::TotalPhys); }
std::int64_t MemoryRelease::GetAvailPagefileMB() {
    return Read(tk::MemField::AvailPage, &MemoryStatus::AvailPageFile);
}
std::int64_t MemoryRelease::GetTotalPagefileMB() {
    return Read(tk::MemField::TotalPage, &MemoryStatus::TotalPageFile);
}
