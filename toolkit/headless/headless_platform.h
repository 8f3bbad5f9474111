// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The headless backend: a scripted world for tests and benchmarks. Tests set
// memory figures, files, registry values and answers to boxes and pop-ups, and
// read back what the program showed, started and sent to the tray.
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "toolkit/form.h"
#include "toolkit/platform.h"
#include "toolkit/scheduler.h"
#include "toolkit/tray_state.h"
#include "toolkit/units.h"

namespace tk::headless {

// Counts what a control was told, so a test can see that unchanged values
// caused no repaint.
class RecordingPeer : public Peer {
public:
    explicit RecordingPeer(std::uint32_t handle) : handle_(handle) {}
    void changed(Prop what) override { ++counts[static_cast<std::size_t>(what)]; }
    std::uint32_t handle() const override { return handle_; }
    int count(Prop what) const { return counts[static_cast<std::size_t>(what)]; }
    std::array<int, kPropCount> counts{};

private:
    std::uint32_t handle_;
};

struct MessageBoxCall {
    std::string prompt;
    int style;
    std::string title;
};

struct TrayCall {
    std::uint32_t message;
    std::array<std::uint8_t, 88> bytes;
};

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

enum class ClaimMode { Succeed, Fail, Real };

class HeadlessPlatform : public Platform {
public:
    HeadlessPlatform();
    // The scheduler whose virtual clock this world's slow calls move.
    void bind(Scheduler& scheduler) { clock_ = &scheduler; }

    // --- memory ---------------------------------------------------------------
    // Fixed figures in bytes, or a script asked on every reading.
    std::uint64_t total_phys = 1024ull << 20, avail_phys = 512ull << 20;
    std::uint64_t total_page = 2048ull << 20, avail_page = 1024ull << 20;
    std::function<std::uint64_t(MemField)> memory_script;
    bool real_memory = false;  // read the real system instead
    std::vector<MemField> readings;  // every reading, in order, when recording
    bool record_readings = false;
    std::uint64_t reading_count = 0;
    void set_memory_mb(std::uint64_t total, std::uint64_t avail, std::uint64_t page_total,
                       std::uint64_t page_avail);

    // --- the release block ----------------------------------------------------
    ClaimMode claim_mode = ClaimMode::Succeed;
    // Virtual ms that claiming and writing the block take (also when the
    // claim fails); the clock of the bound scheduler moves on by as much.
    std::int64_t claim_ms = 0;
    int claims = 0, failed_claims = 0, held_blocks = 0, max_held_blocks = 0;
    std::size_t last_claim_chars = 0;
    // Called with a real block just before and just after it is given back.
    std::function<void(const void* data, std::size_t bytes, bool given_back)> on_real_release;

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

    // --- boxes, tray, pop-ups -------------------------------------------------
    std::vector<MessageBoxCall> boxes;
    std::function<void(const MessageBoxCall&)> on_message_box;  // the user, while it is open
    int open_boxes = 0;
    std::vector<TrayCall> tray_calls;
    bool tray_available = true;
    TrayIconState tray_icon;  // the one icon, as the requests left it
    std::vector<std::string> popups;  // names of menus opened as pop-ups
    std::function<void(Form&, Menu&)> on_popup;  // the user, while it is open

    // --- screen and windows ---------------------------------------------------
    int dpi = 96;
    int screen_w_px = 1024, screen_h_px = 768;
    double twips_per_pixel() const { return kTwipsPerInch / dpi; }
    std::vector<std::string> attached, detached;

    // --- the end --------------------------------------------------------------
    int ends = 0;
    std::vector<std::string> unhandled;
    std::vector<std::string> log;  // ordered record of notable calls

    // Platform
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
    int message_box(const std::string& prompt, int style, const std::string& title) override;
    std::uint32_t shell_notify_icon(std::uint32_t message, const NotifyIconData88& data) override;
    bool tray_icon_present() override { return tray_icon.shown; }
    void popup_menu(Form& owner, Menu& menu) override;
    std::uint32_t icon_handle(IconId icon) override;
    IconId load_icon_resource(int id) override;
    void attach(Form& form) override;
    void detach(Form& form) override;
    void end() override;
    void unhandled_error(const std::exception& e) override;

private:
    Scheduler* clock_ = nullptr;
    std::uint32_t next_handle_ = 0x00010010;
    std::map<RegKey, std::string> key_names_;
    std::map<const char16_t*, BlankText> real_blocks_;
    char16_t token_ = u' ';
    RegKey next_key_ = 0x100;
};

}  // namespace tk::headless
