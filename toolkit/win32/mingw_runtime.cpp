// SPDX-License-Identifier: GPL-3.0-or-later
// Two pieces of the GNU C++ run time, slimmed for the static MinGW build,
// where GNU ld keeps every function of any object it pulls in (.pdata is
// kept whole, so unused functions are never collected).
//  - std::to_chars(char*, char*, double): the link wraps it (-Wl,--wrap) to
//    double_to_chars, which writes the same text without 170 KB of tables.
//  - The verbose terminate handler would bring the 45 KB symbol demangler,
//    only to print a type name to a console this program does not have.
#include <cstdlib>

#include "toolkit/double_to_chars.h"

#if defined(__MINGW32__) && defined(__GLIBCXX__)
extern "C" std::to_chars_result __wrap__ZSt8to_charsPcS_d(char* first, char* last, double value) {
    return tk::double_to_chars(first, last, value);
}

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
#endif
