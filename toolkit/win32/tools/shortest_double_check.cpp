// Build-machine check: shortest_double_text must write what libstdc++'s
// std::to_chars(first, last, double) writes, for every kind of double.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "toolkit/win32/shortest_double.h"

namespace {

int failures = 0;
long checked = 0;

void check(double v) {
    ++checked;
    char want[512], got[512];
    const auto w = std::to_chars(want, want + sizeof want, v);
    const auto g = tk::win32::shortest_double_text(got, got + sizeof got, v);
    const std::string a(want, w.ptr), b(got, g.ptr);
    if (a != b || g.ec != w.ec) {
        if (++failures <= 10) std::printf("MISMATCH %.17g: std \"%s\", ours \"%s\"\n", v, a.c_str(), b.c_str());
    }
    // Too small a buffer is refused, as std::to_chars refuses it.
    if (!a.empty()) {
        const auto small = tk::win32::shortest_double_text(got, got + a.size() - 1, v);
        if (small.ec != std::errc::value_too_large && ++failures <= 10)
            std::printf("MISMATCH %.17g: a short buffer was accepted\n", v);
    }
}

double from_bits(std::uint64_t bits) {
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

}  // namespace

int main(int argc, char** argv) {
    const long random_count = argc > 1 ? std::atol(argv[1]) : 200000;
    const double inf = std::numeric_limits<double>::infinity();
    for (double v : {0.0, -0.0, 1.0, -1.0, 0.5, 4.0, 3.0, -2.0, 1e22, 1e23, 1e21, 1e-5, 1e-4, 0.0001234, 123456.7,
                     1e16, 1.5e17, 5e-324, 1.7976931348623157e308, 2.2250738585072014e-308, inf, -inf,
                     std::nan(""), -std::nan(""), 100.0, 1e15, 123e18, 2.5e-7, 3e20, 0.1, 0.2, 0.3, 1.0 / 3})
        check(v);
    // Powers of two and ten and their neighbours: the lopsided intervals.
    for (int e = -1074; e <= 1023; ++e) {
        const double p = std::ldexp(1.0, e);
        check(p);
        check(std::nextafter(p, 0.0));
        check(std::nextafter(p, inf));
    }
    for (int e = -323; e <= 308; ++e) {
        const double p = std::pow(10.0, e);
        check(p);
        check(std::nextafter(p, 0.0));
        check(std::nextafter(p, inf));
    }
    // Whole numbers, small decimals and the program's own counters.
    for (int i = -2000; i <= 2000; ++i) {
        check(i);
        check(i / 10.0);
        check(i / 100.0);
        check(i * 1e15);
    }
    std::mt19937_64 rng(20240601);
    for (long i = 0; i < random_count; ++i) {
        const double v = from_bits(rng());
        check(v);
        check(static_cast<double>(rng() >> (rng() % 64)));
    }
    std::printf("%ld values checked, %d mismatches\n", checked, failures);
    return failures == 0 ? 0 : 1;
}
