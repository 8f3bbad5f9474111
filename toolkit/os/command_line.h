// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The argument text as the program reads it from a whole command line: what
// follows the program's name (quoted or not) and the blanks after it,
// unchanged otherwise, quotes included.
#include <string_view>

namespace tk::os {

template <class Char>
std::basic_string_view<Char> after_program_name(std::basic_string_view<Char> line) {
    std::size_t i = 0;
    if (i < line.size() && line[i] == Char('"')) {
        ++i;
        while (i < line.size() && line[i] != Char('"')) ++i;
        if (i < line.size()) ++i;
    } else {
        while (i < line.size() && line[i] != Char(' ') && line[i] != Char('\t')) ++i;
    }
    while (i < line.size() && (line[i] == Char(' ') || line[i] == Char('\t'))) ++i;
    return line.substr(i);
}

}  // namespace tk::os
