// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A scripted operating system for tests and benchmarks: memory figures,
// release blocks, files, programs and registry values are what the test sets,
// and every call is recorded. Where a test wants this machine's memory or
// real blocks, it hands in the real system's services (tk::os::RealSystem) as
// the scripts, and the calls are still counted.
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "toolkit/scheduler.h"
#include "toolkit/system.h"

namespace tk::headless {

struct RegValue {
    std::uint32_t type;
    std::vector<std::uint8_t> data;
};

struct RegCall {
    std::string what;  // "open", "query", "close"
    std::uint32_t root = 0;
    std::string name;  // key path or value name
    std::uint32_t options = 0, access = 0, reserved = 0, size_in = 0;
    RegKey handle = 0;
};

class HeadlessSystem : public System {
public:
    // The scheduler whose virtual clock this system's slow calls move.
    void bind(Scheduler& scheduler) { clock_ = &scheduler; }
    // Where notable calls are noted, in order, beside the desktop's.
    std::vector<std::string>* log = nullptr;

    // --- memory ---------------------------------------------------------------
    // Fixed figures in bytes, or a script asked on every reading.
    std::uint64_t total_phys = 1024ull << 20, avail_phys = 512ull << 20;
    std::uint64_t total_page = 2048ull << 20, avail_page = 1024ull << 20;
    std::function<std::uint64_t(MemField)> memory_script;
    std::vector<MemField> readings;  // every reading, in order, when recording
    bool record_readings = false;
    std::uint64_t reading_count = 0;
    void set_memory_mb(std::uint64_t total, std::uint64_t avail, std::uint64_t page_total,
                       std::uint64_t page_avail);

    // --- the release block ----------------------------------------------------
    // A claim fails (out of memory) while this is set.
    bool fail_claims = false;
    // Where real blocks come from; without it a claim hands out a token of
    // the asked size and writes nothing.
    std::function<BlankText(std::size_t chars)> claim_script;
    // Virtual ms that claiming and writing the block take (also when the
    // claim fails); the clock of the bound scheduler moves on by as much.
    std::int64_t claim_ms = 0;
    int claims = 0, failed_claims = 0, held_blocks = 0, max_held_blocks = 0;
    std::size_t last_claim_chars = 0;
    // Called with a scripted block just before and just after it is given back.
    std::function<void(const void* data, std::size_t bytes, bool given_back)> on_release;

    // --- command line, files, programs ---------------------------------------
    std::string arguments;
    std::set<std::string> files;          // ordinary files that exist
    std::vector<std::string> start_attempts;
    std::vector<std::string> started;     // those that started
    std::vector<int> start_styles;

    // --- registry -------------------------------------------------------------
    std::map<std::string, std::map<std::string, RegValue>> registry;  // key -> value -> data
    std::vector<RegCall> reg_calls;
    void set_reg_string(const std::string& key, const std::string& value, const std::string& text,
                        bool terminate = true);
    std::set<RegKey> open_keys;

    // System
    std::uint64_t memory_figure(MemField field) override;
    BlankText blank_text(std::size_t chars) override;
    std::string argument_text() override { return arguments; }
    bool file_exists(const std::string& path) override { return files.count(path) > 0; }
    void start_program(const std::string& path, int window_style) override;
    std::int32_t reg_open_key(std::uint32_t root, const std::string& key, std::uint32_t options,
                              std::uint32_t access, RegKey& out) override;
    std::int32_t reg_query_value(RegKey key, const std::string& name, std::uint32_t reserved,
                                 std::uint32_t& type, std::uint8_t* data, std::uint32_t& size) override;
    std::int32_t reg_close_key(RegKey key) override;

private:
    void note(std::string what) {
        if (log) log->push_back(std::move(what));
    }
    Scheduler* clock_ = nullptr;
    std::map<RegKey, std::string> key_names_;
    std::map<const char16_t*, BlankText> scripted_blocks_;
    char16_t token_ = u' ';
    RegKey next_key_ = 0x100;
};

}  // namespace tk::headless
