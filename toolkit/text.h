// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Text and number services: numbers written as their shortest decimal text and
// read back exactly, locale-independent, so a tag round-trips on every machine.
#include <cstdint>
#include <string>
#include <string_view>

namespace tk {

// Shortest text that reads back as the same double ("4", "-1", "0.5").
std::string number_text(double value);
// Plain decimal digits of a whole number, with a minus sign when negative.
std::string number_text(std::int64_t value);
inline std::string number_text(int value) { return number_text(static_cast<std::int64_t>(value)); }

// Reads a whole text as a double; surrounding blanks are allowed, anything else
// is a type mismatch (tk::Error), as is the empty text.
double text_number(std::string_view text);

// Upper-cases ASCII letters only: other letters never turn into the ASCII
// switch words, and no locale can make "/quıt" match "/QUIT".
std::string upper_ascii(std::string_view text);

// Writes value's decimal digits followed by suffix into out without allocating;
// returns the used part. out must hold at least 24 + suffix.size() characters.
std::string_view format_whole(char* out, std::size_t capacity, std::int64_t value,
                              std::string_view suffix);

}  // namespace tk
