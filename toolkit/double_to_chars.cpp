// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/double_to_chars.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace tk {
namespace {

// A decimal: digits d0 d1 ... with the value d0.d1d2... x 10^exp10.
struct Decimal {
    std::string digits;
    int exp10 = 0;
};

// Big unsigned integer in base 10^9, least significant limb first.
using Big = std::vector<std::uint32_t>;
constexpr std::uint32_t kLimb = 1000000000u;

void multiply(Big& big, std::uint32_t factor) {
    std::uint64_t carry = 0;
    for (std::uint32_t& limb : big) {
        const std::uint64_t v = static_cast<std::uint64_t>(limb) * factor + carry;
        limb = static_cast<std::uint32_t>(v % kLimb);
        carry = v / kLimb;
    }
    while (carry) {
        big.push_back(static_cast<std::uint32_t>(carry % kLimb));
        carry /= kLimb;
    }
}

std::string text_of(const Big& big) {
    std::string s = std::to_string(big.back());
    for (std::size_t i = big.size() - 1; i-- > 0;) {
        const std::string part = std::to_string(big[i]);
        s.append(9 - part.size(), '0');
        s += part;
    }
    return s;
}

// The exact decimal value of a positive finite double.
Decimal exact(double a) {
    std::uint64_t bits;
    std::memcpy(&bits, &a, sizeof bits);
    const int biased = static_cast<int>((bits >> 52) & 0x7FF);
    std::uint64_t mantissa = bits & ((std::uint64_t{1} << 52) - 1);
    int e2;
    if (biased == 0) {
        e2 = -1074;
    } else {
        mantissa |= std::uint64_t{1} << 52;
        e2 = biased - 1075;
    }
    Big big{static_cast<std::uint32_t>(mantissa % kLimb), static_cast<std::uint32_t>(mantissa / kLimb % kLimb),
            static_cast<std::uint32_t>(mantissa / kLimb / kLimb)};
    while (big.size() > 1 && big.back() == 0) big.pop_back();
    Decimal d;
    if (e2 >= 0) {
        for (int k = e2; k > 0; k -= 29) multiply(big, std::uint32_t{1} << (k < 29 ? k : 29));
        d.digits = text_of(big);
        d.exp10 = static_cast<int>(d.digits.size()) - 1;
    } else {
        // m x 2^e2 = m x 5^-e2 / 10^-e2
        for (int k = -e2; k > 0; k -= 13) {
            std::uint32_t p = 1;
            for (int i = 0; i < (k < 13 ? k : 13); ++i) p *= 5;
            multiply(big, p);
        }
        d.digits = text_of(big);
        d.exp10 = static_cast<int>(d.digits.size()) - 1 + e2;
    }
    while (d.digits.size() > 1 && d.digits.back() == '0') d.digits.pop_back();
    return d;
}

// One unit up in the last of the digits; "99" becomes "10" one place higher.
Decimal step_up(Decimal d) {
    std::string& s = d.digits;
    int i = static_cast<int>(s.size()) - 1;
    while (i >= 0 && s[i] == '9') s[i--] = '0';
    if (i < 0) {
        s.insert(s.begin(), '1');
        s.pop_back();
        ++d.exp10;
    } else {
        ++s[i];
    }
    return d;
}

// Rounded to n significant digits, halves to even.
Decimal round_to(const Decimal& x, std::size_t n) {
    Decimal d{x.digits.substr(0, n), x.exp10};
    if (x.digits.size() <= n) {
        d.digits.append(n - x.digits.size(), '0');
        return d;
    }
    const char next = x.digits[n];
    bool up = next > '5';
    if (next == '5') {
        const bool more = x.digits.find_first_not_of('0', n + 1) != std::string::npos;
        up = more || ((d.digits.back() - '0') % 2 == 1);
    }
    return up ? step_up(d) : d;
}

bool reads_back(const Decimal& d, double a) {
    std::string text;
    text += d.digits[0];
    if (d.digits.size() > 1) {
        text += '.';
        text.append(d.digits, 1, std::string::npos);
    }
    text += 'e';
    text += std::to_string(d.exp10);
    double back = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), back, std::chars_format::scientific);
    return r.ec == std::errc() && back == a;
}

std::size_t digit_count(int v) {
    std::size_t n = 1;
    for (v = v < 0 ? -v : v; v >= 10; v /= 10) ++n;
    return n;
}

}  // namespace

std::to_chars_result double_to_chars(char* first, char* last, double value) {
    std::string out;
    if (std::signbit(value)) out += '-';
    if (std::isnan(value)) {
        out += "nan";
    } else if (std::isinf(value)) {
        out += "inf";
    } else if (value == 0) {
        out += '0';
    } else {
        const double a = std::fabs(value);
        const Decimal x = exact(a);
        // The fewest digits that read back; of those, the nearest to the value.
        // That is the rounded value, except at a power of two, where the
        // interval that reads back is narrower below: the rounded value may
        // fall short below while the next one up still fits.
        Decimal best = x;
        for (std::size_t n = 1; n <= 17; ++n) {
            const Decimal c = round_to(x, n);
            if (reads_back(c, a)) {
                best = c;
                break;
            }
            const Decimal up = step_up(c);
            if (reads_back(up, a)) {
                best = up;
                break;
            }
        }
        while (best.digits.size() > 1 && best.digits.back() == '0') best.digits.pop_back();
        const std::string& d = best.digits;
        const int e = best.exp10;
        const std::size_t n = d.size();
        const std::size_t sci_len = n + (n > 1 ? 1 : 0) + 2 + (digit_count(e) < 2 ? 2 : digit_count(e));
        std::size_t fixed_len;
        if (e >= static_cast<int>(n) - 1)
            fixed_len = static_cast<std::size_t>(e) + 1;
        else if (e >= 0)
            fixed_len = n + 1;
        else
            fixed_len = n + 1 + static_cast<std::size_t>(-e);
        if (fixed_len <= sci_len) {  // a tie goes to the fixed form
            if (e >= static_cast<int>(n) - 1) {
                // A whole number is written out exactly, as printf's %.0f would.
                out += x.digits;
                out.append(static_cast<std::size_t>(x.exp10) + 1 - x.digits.size(), '0');
            } else if (e >= 0) {
                out.append(d, 0, static_cast<std::size_t>(e) + 1);
                out += '.';
                out.append(d, static_cast<std::size_t>(e) + 1, std::string::npos);
            } else {
                out += "0.";
                out.append(static_cast<std::size_t>(-e - 1), '0');
                out += d;
            }
        } else {
            out += d[0];
            if (n > 1) {
                out += '.';
                out.append(d, 1, std::string::npos);
            }
            out += 'e';
            out += e < 0 ? '-' : '+';
            if (digit_count(e) < 2) out += '0';
            out += std::to_string(e < 0 ? -e : e);
        }
    }
    if (out.size() > static_cast<std::size_t>(last - first)) return {last, std::errc::value_too_large};
    std::memcpy(first, out.data(), out.size());
    return {first + out.size(), std::errc()};
}

}  // namespace tk
