// SPDX-License-Identifier: GPL-3.0-or-later
// The Windows build writes number text with its own shortest-double code in
// place of libstdc++'s tables; it must write exactly what std::to_chars writes.
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "toolkit/double_to_chars.h"

namespace {

// Empty when both agree, else a description of the difference.
std::string differs(double v) {
    char want[512], got[512];
    const auto w = std::to_chars(want, want + sizeof want, v);
    const auto g = tk::double_to_chars(got, got + sizeof got, v);
    const std::string a(want, w.ptr), b(got, g.ptr);
    if (a != b || g.ec != w.ec) return "std \"" + a + "\", ours \"" + b + "\"";
    // Too small a buffer is refused, as std::to_chars refuses it.
    if (!a.empty() && tk::double_to_chars(got, got + a.size() - 1, v).ec != std::errc::value_too_large)
        return "a short buffer was accepted for " + a;
    return {};
}

double from_bits(std::uint64_t bits) {
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

}  // namespace

TEST(ShortestDouble, WritesWhatStdToCharsWrites) {
    const double inf = std::numeric_limits<double>::infinity();
    for (double v : {0.0, -0.0, 1.0, -1.0, 0.5, 4.0, 3.0, -2.0, 1e22, 1e23, 1e21, 1e-5, 1e-4, 0.0001234, 123456.7,
                     1e16, 1.5e17, 5e-324, 1.7976931348623157e308, 2.2250738585072014e-308, inf, -inf,
                     std::nan(""), -std::nan(""), 100.0, 1e15, 123e18, 2.5e-7, 3e20, 0.1, 0.2, 0.3, 1.0 / 3})
        EXPECT_EQ(differs(v), "") << v;
    // Powers of two and ten and their neighbours: the lopsided intervals.
    for (int e = -1074; e <= 1023; ++e) {
        const double p = std::ldexp(1.0, e);
        for (double v : {p, std::nextafter(p, 0.0), std::nextafter(p, inf)}) ASSERT_EQ(differs(v), "") << v;
    }
    for (int e = -323; e <= 308; ++e) {
        const double p = std::pow(10.0, e);
        for (double v : {p, std::nextafter(p, 0.0), std::nextafter(p, inf)}) ASSERT_EQ(differs(v), "") << v;
    }
    // Whole numbers and short decimals, as the timers' tags hold them.
    for (int i = -2000; i <= 2000; ++i)
        for (double v : {double(i), i / 10.0, i / 100.0, i * 1e15}) ASSERT_EQ(differs(v), "") << v;
    std::mt19937_64 rng(20240601);
    for (int i = 0; i < 100000; ++i) {
        ASSERT_EQ(differs(from_bits(rng())), "");
        ASSERT_EQ(differs(static_cast<double>(rng() >> (rng() % 64))), "");
    }
}
