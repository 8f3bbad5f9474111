// SPDX-License-Identifier: GPL-3.0-or-later
// Every 64-bit byte count: the megabyte figure against an independent
// reference in 64-bit-mantissa floating point (exact for count / 2^20).
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "memory/MemoryRelease.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size != 8) return -1;
    std::uint64_t bytes;
    std::memcpy(&bytes, data, 8);
    const long double v = static_cast<long double>(bytes) / 1048576.0L;
    const long double k = std::floor(v), f = v - k;
    long double expect;
    if (f < 0.495L) {
        expect = k;
    } else if (f >= 0.505L) {
        expect = k + 1;
    } else {
        expect = std::fmod(k, 2.0L) == 0 ? k : k + 1;
    }
    if (static_cast<long double>(MemoryRelease::MegabyteFigure(bytes)) != expect) std::abort();
    const double two_places = MemoryRelease::BytesToMB(bytes);
    if (std::fabs(static_cast<long double>(two_places) - v) > 0.005L + std::fabs(v) * 1e-15L) std::abort();
    return 0;
}
