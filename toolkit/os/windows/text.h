// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Text at the edge of the Windows API: the program works in UTF-8, the system
// in UTF-16 (the W functions) or in its single-byte code page (the A ones).
#include <string>
#include <string_view>

namespace tk::os {

std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view utf16);

}  // namespace tk::os
