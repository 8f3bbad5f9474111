// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// This system's services, as the program asks for them: the desktop
// backends run on it, and tests and benchmarks that want the real memory
// and the real release block take it too.
#include <string>
#include <utility>

#include "toolkit/os/os.h"
#include "toolkit/system.h"

namespace tk::os {

class RealSystem : public System {
public:
    // The argument text, read by the entry point before a toolkit took its
    // own options out of the command line.
    explicit RealSystem(std::string arguments = {}) : arguments_(std::move(arguments)) {}

    std::uint64_t memory_figure(MemField field) override { return os::memory_figure(field); }
    BlankText blank_text(std::size_t chars) override { return os::blank_text(chars); }
    std::string argument_text() override { return arguments_; }
    bool file_exists(const std::string& path) override { return os::file_exists(path); }
    void start_program(const std::string& path, int window_style) override {
        os::start_program(path, window_style);
    }
    std::int32_t reg_open_key(std::uint32_t root, const std::string& key, std::uint32_t options,
                              std::uint32_t access, RegKey& out) override {
        return os::reg_open_key(root, key, options, access, out);
    }
    std::int32_t reg_query_value(RegKey key, const std::string& name, std::uint32_t reserved, std::uint32_t& type,
                                 std::uint8_t* data, std::uint32_t& size) override {
        return os::reg_query_value(key, name, reserved, type, data, size);
    }
    std::int32_t reg_close_key(RegKey key) override { return os::reg_close_key(key); }
    std::string text_from_ansi(const std::string& bytes) override { return os::text_from_ansi(bytes); }

private:
    std::string arguments_;
};

}  // namespace tk::os
