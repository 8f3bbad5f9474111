// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/headless/headless_platform.h"

#include <cmath>
#include <cstring>
#include <memory>

#include "toolkit/error.h"
#include "toolkit/os/os.h"
#include "toolkit/shell_codes.h"

namespace tk::headless {
namespace {

// Window frame of the headless screen, in pixels.
constexpr int kBorderPx = 4, kCaptionPx = 23, kMenuBarPx = 19;
constexpr std::int32_t kFileNotFound = ERROR_FILE_NOT_FOUND, kInvalidHandle = ERROR_INVALID_HANDLE,
                       kMoreData = ERROR_MORE_DATA;

}  // namespace

HeadlessPlatform::HeadlessPlatform() = default;

void HeadlessPlatform::set_memory_mb(std::uint64_t total, std::uint64_t avail, std::uint64_t page_total,
                                     std::uint64_t page_avail) {
    total_phys = total << 20;
    avail_phys = avail << 20;
    total_page = page_total << 20;
    avail_page = page_avail << 20;
}

std::uint64_t HeadlessPlatform::memory_figure(MemField field) {
    ++reading_count;
    if (record_readings) readings.push_back(field);
    if (real_memory) return os::memory_figure(field);
    if (memory_script) return memory_script(field);
    switch (field) {
        case MemField::TotalPhys: return total_phys;
        case MemField::AvailPhys: return avail_phys;
        case MemField::TotalPage: return total_page;
        case MemField::AvailPage: return avail_page;
    }
    return 0;
}

BlankText HeadlessPlatform::blank_text(std::size_t chars) {
    last_claim_chars = chars;
    log.push_back("claim");
    if (clock_) clock_->elapse(claim_ms);
    if (claim_mode == ClaimMode::Fail) {
        ++failed_claims;
        throw Error(ErrorCode::OutOfMemory, "Out of memory");
    }
    auto release = [](void* ctx, void* data, std::size_t) {
        auto* self = static_cast<HeadlessPlatform*>(ctx);
        auto real = self->real_blocks_.find(static_cast<const char16_t*>(data));
        if (real != self->real_blocks_.end()) {
            const std::size_t bytes = real->second.size() * sizeof(char16_t);
            if (self->on_real_release) self->on_real_release(data, bytes, false);
            self->real_blocks_.erase(real);
            if (self->on_real_release) self->on_real_release(data, bytes, true);
        }
        --self->held_blocks;
    };
    if (claim_mode == ClaimMode::Real) {
        BlankText real;
        try {
            real = os::blank_text(chars);
        } catch (...) {
            ++failed_claims;
            throw;
        }
        // Keep the real block here and hand out a view whose release gives
        // it back, so that blocks held at once are counted.
        const char16_t* data = real.data();
        const std::size_t n = real.size();
        real_blocks_.emplace(data, std::move(real));
        ++claims;
        if (++held_blocks > max_held_blocks) max_held_blocks = held_blocks;
        return BlankText(const_cast<char16_t*>(data), n, release, this);
    }
    ++claims;
    if (++held_blocks > max_held_blocks) max_held_blocks = held_blocks;
    return BlankText(&token_, chars, release, this);
}

void HeadlessPlatform::start_program(const std::string& path, int window_style) {
    start_attempts.push_back(path);
    log.push_back("start " + path);
    if (!files.count(path)) throw Error(ErrorCode::FileNotFound, "File not found");
    started.push_back(path);
    start_styles.push_back(window_style);
}

void HeadlessPlatform::set_reg_string(const std::string& key, const std::string& value, const std::string& text,
                                      bool terminate) {
    RegValue v{REG_SZ_, std::vector<std::uint8_t>(text.begin(), text.end())};
    if (terminate) v.data.push_back(0);
    registry[key][value] = std::move(v);
}

std::int32_t HeadlessPlatform::reg_open_key(std::uint32_t root, const std::string& key, std::uint32_t options,
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

std::int32_t HeadlessPlatform::reg_query_value(RegKey key, const std::string& name, std::uint32_t reserved,
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

std::int32_t HeadlessPlatform::reg_close_key(RegKey key) {
    RegCall call;
    call.what = "close";
    call.handle = key;
    reg_calls.push_back(call);
    return open_keys.erase(key) ? 0 : kInvalidHandle;
}

int HeadlessPlatform::message_box(const std::string& prompt, int style, const std::string& title) {
    boxes.push_back({prompt, style, title});
    log.push_back("box " + prompt);
    ++open_boxes;
    struct Close {
        int& n;
        ~Close() { --n; }
    } close{open_boxes};
    if (on_message_box) on_message_box(boxes.back());
    return 1;  // OK
}

std::uint32_t HeadlessPlatform::shell_notify_icon(std::uint32_t message, const NotifyIconData88& data) {
    TrayCall call{message, {}};
    std::memcpy(call.bytes.data(), &data, sizeof data);
    tray_calls.push_back(call);
    log.push_back("tray " + std::to_string(message));
    if (!tray_available) return 0;
    return apply(tray_icon, message, data) ? 1 : 0;
}

void HeadlessPlatform::popup_menu(Form& owner, Menu& menu) {
    popups.push_back(menu.name());
    if (on_popup) on_popup(owner, menu);
}

std::uint32_t HeadlessPlatform::icon_handle(IconId icon) {
    switch (icon) {
        case IconId::Window: return 0x0001A001;
        case IconId::File: return 0x0001A002;
        case IconId::None: break;
    }
    return 0;
}

IconId HeadlessPlatform::load_icon_resource(int id) {
    if (id != 1) throw Error(ErrorCode::ResourceNotFound, "Resource with identifier not found");
    return IconId::File;
}

void HeadlessPlatform::attach(Form& form) {
    attached.push_back(form.name());
    form.set_peer(std::make_unique<RecordingPeer>(next_handle_++));
    for (Control* c : form.controls()) c->set_peer(std::make_unique<RecordingPeer>(next_handle_++));
    // Outer size from the client size and this screen's frame.
    const double tpp = twips_per_pixel();
    const double w = form.client_width() + 2 * kBorderPx * tpp;
    double h = form.client_height() + (2 * kBorderPx + kCaptionPx) * tpp;
    if (form.has_menu_bar()) h += kMenuBarPx * tpp;
    double l = form.left(), t = form.top();
    if (form.start_centered) {
        l = centred_start(0, screen_w_px * tpp, w);
        t = centred_start(0, screen_h_px * tpp, h);
    }
    form.sync_bounds(l, t, w, h);
}

void HeadlessPlatform::detach(Form& form) {
    detached.push_back(form.name());
    for (auto it = form.controls().rbegin(); it != form.controls().rend(); ++it) (*it)->set_peer(nullptr);
    form.set_peer(nullptr);
}

void HeadlessPlatform::end() {
    ++ends;
    log.push_back("end");
}

void HeadlessPlatform::unhandled_error(const std::exception& e) { unhandled.push_back(e.what()); }

}  // namespace tk::headless
