// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The shortest text that reads back as the same double, in exactly the form
// std::to_chars(first, last, value) writes it. The static MinGW build uses
// this in place of libstdc++'s, whose tables alone weigh 170 KB.
#include <charconv>

namespace tk {

std::to_chars_result double_to_chars(char* first, char* last, double value);

}  // namespace tk
