// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The operating system's services, one implementation per system (linux/,
// windows/), chosen by the build. RealSystem puts them behind tk::System.
#include <cstdint>
#include <string>

#include "toolkit/system.h"

namespace tk::os {

// One fresh reading of one memory figure, in bytes; tk::Error when the
// system does not answer.
std::uint64_t memory_figure(MemField field);
// chars two-byte blanks, every byte written, given back when the result goes.
BlankText blank_text(std::size_t chars);
// The command line after the program's own name and its separating blanks.
std::string argument_text(int argc, char** argv);
bool file_exists(const std::string& path);
void start_program(const std::string& path, int window_style);

std::int32_t reg_open_key(std::uint32_t root, const std::string& key, std::uint32_t options,
                          std::uint32_t access, RegKey& out);
std::int32_t reg_query_value(RegKey key, const std::string& name, std::uint32_t reserved, std::uint32_t& type,
                             std::uint8_t* data, std::uint32_t& size);
std::int32_t reg_close_key(RegKey key);
// The system's single-byte code page to UTF-8 (Linux text is UTF-8 already).
std::string text_from_ansi(const std::string& bytes);

}  // namespace tk::os
