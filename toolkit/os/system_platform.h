// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The system half of a desktop Platform: every service the operating system
// answers, taken from this system's tk::os layer. The Qt and Win32 backends
// add the windows on top.
#include "toolkit/os/os.h"
#include "toolkit/platform.h"

namespace tk::os {

class SystemPlatform : public Platform {
public:
    std::uint64_t memory_figure(MemField field) override { return os::memory_figure(field); }
    BlankText blank_text(std::size_t chars) override { return os::blank_text(chars); }
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
};

}  // namespace tk::os
