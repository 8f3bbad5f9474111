// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/text.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "toolkit/error.h"

namespace tk {

std::string number_text(double value) {
    if (value == 0) value = 0;  // no "-0"
    char buf[32];
    auto res = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, res.ptr);
}

std::string number_text(std::int64_t value) {
    char buf[24];
    auto res = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, res.ptr);
}

double text_number(std::string_view text) {
    auto is_blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    double value = 0;
    auto res = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || res.ec != std::errc() || res.ptr != text.data() + text.size() ||
        !std::isfinite(value))
        throw Error(ErrorCode::TypeMismatch, "Type mismatch");
    return value;
}

std::string upper_ascii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

std::string_view format_whole(char* out, std::size_t capacity, std::int64_t value,
                              std::string_view suffix) {
    auto res = std::to_chars(out, out + capacity, value);
    std::size_t used = static_cast<std::size_t>(res.ptr - out);
    if (res.ec != std::errc() || used + suffix.size() > capacity)
        throw Error(ErrorCode::Overflow, "Overflow");
    std::memcpy(out + used, suffix.data(), suffix.size());
    return std::string_view(out, used + suffix.size());
}

}  // namespace tk
