// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/headless/headless_system.h"

#include <cstring>

#include "toolkit/error.h"
#include "toolkit/shell_codes.h"

namespace tk::headless {
namespace {

constexpr std::int32_t kFileNotFound = ERROR_FILE_NOT_FOUND, kInvalidHandle = ERROR_INVALID_HANDLE,
                       kMoreData = ERROR_MORE_DATA;

}  // namespace

void HeadlessSystem::set_memory_mb(std::uint64_t total, std::uint64_t avail, std::uint64_t page_total,
                                     std::uint64_t page_avail) {
    total_phys = total << 20;
    avail_phys = avail << 20;
    total_page = page_total << 20;
    avail_page = page_avail << 20;
}

std::uint64_t HeadlessSystem::memory_figure(MemField field) {
    ++reading_count;
    if (record_readings) readings.push_back(field);
    if (memory_script) return memory_script(field);
    switch (field) {
        case MemField::TotalPhys: return total_phys;
        case MemField::AvailPhys: return avail_phys;
        case MemField::TotalPage: return total_page;
        case MemField::AvailPage: return avail_page;
    }
    return 0;
}

BlankText HeadlessSystem::blank_text(std::size_t chars) {
    last_claim_chars = chars;
    note("claim");
    if (clock_) clock_->elapse(claim_ms);
    if (fail_claims) {
        ++failed_claims;
        throw Error(ErrorCode::OutOfMemory, "Out of memory");
    }
    auto release = [](void* ctx, void* data, std::size_t) {
        auto* self = static_cast<HeadlessSystem*>(ctx);
        auto real = self->scripted_blocks_.find(static_cast<const char16_t*>(data));
        if (real != self->scripted_blocks_.end()) {
            const std::size_t bytes = real->second.size() * sizeof(char16_t);
            if (self->on_release) self->on_release(data, bytes, false);
            self->scripted_blocks_.erase(real);
            if (self->on_release) self->on_release(data, bytes, true);
        }
        --self->held_blocks;
    };
    if (claim_script) {
        BlankText real;
        try {
            real = claim_script(chars);
        } catch (...) {
            ++failed_claims;
            throw;
        }
        // Keep the block here and hand out a view whose release gives it
        // back, so that blocks held at once are counted.
        const char16_t* data = real.data();
        const std::size_t n = real.size();
        scripted_blocks_.emplace(data, std::move(real));
        ++claims;
        if (++held_blocks > max_held_blocks) max_held_blocks = held_blocks;
        return BlankText(const_cast<char16_t*>(data), n, release, this);
    }
    ++claims;
    if (++held_blocks > max_held_blocks) max_held_blocks = held_blocks;
    return BlankText(&token_, chars, release, this);
}

void HeadlessSystem::start_program(const std::string& path, int window_style) {
    start_attempts.push_back(path);
    note("start " + path);
    if (!files.count(path)) throw Error(ErrorCode::FileNotFound, "File not found");
    started.push_back(path);
    start_styles.push_back(window_style);
}

void HeadlessSystem::set_reg_string(const std::string& key, const std::string& value, const std::string& text,
                                      bool terminate) {
    RegValue v{REG_SZ_, std::vector<std::uint8_t>(text.begin(), text.end())};
    if (terminate) v.data.push_back(0);
    registry[key][value] = std::move(v);
}

std::int32_t HeadlessSystem::reg_open_key(std::uint32_t root, const std::string& key, std::uint32_t options,
                                            std::uint32_t access, RegKey& out) {
    RegCall call{"open", root, key, options, access};
    out = 0;
    if (root == HKEY_LOCAL_MACHINE_ && registry.count(key)) {
        out = next_key_++;
        key_names_[out] = key;
        open_keys.insert(out);
    }
    call.handle = out;
    reg_calls.push_back(call);
    return out ? 0 : kFileNotFound;
}

std::int32_t HeadlessSystem::reg_query_value(RegKey key, const std::string& name, std::uint32_t reserved,
                                               std::uint32_t& type, std::uint8_t* data, std::uint32_t& size) {
    RegCall call{"query", 0, name};
    call.reserved = reserved;
    call.size_in = size;
    call.handle = key;
    reg_calls.push_back(call);
    auto k = key_names_.find(key);
    if (k == key_names_.end() || !open_keys.count(key)) return kInvalidHandle;
    const auto& values = registry[k->second];
    auto v = values.find(name);
    if (v == values.end()) return kFileNotFound;
    type = v->second.type;
    const std::size_t need = v->second.data.size();
    if (need > size) {
        size = static_cast<std::uint32_t>(need);
        return kMoreData;
    }
    if (need) std::memcpy(data, v->second.data.data(), need);
    size = static_cast<std::uint32_t>(need);
    return 0;
}

std::int32_t HeadlessSystem::reg_close_key(RegKey key) {
    RegCall call;
    call.what = "close";
    call.handle = key;
    reg_calls.push_back(call);
    return open_keys.erase(key) ? 0 : kInvalidHandle;
}

}  // namespace tk::headless
