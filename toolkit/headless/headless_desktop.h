// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The headless desktop: a scripted one for tests and benchmarks. Tests set
// the answers to boxes and pop-ups and the screen, and read back what the
// program showed and sent to the tray.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "toolkit/form.h"
#include "toolkit/desktop.h"
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
    std::string owner;  // the owner form's name; empty for none
};

struct TrayCall {
    std::uint32_t message;
    std::array<std::uint8_t, 88> bytes;
};

class HeadlessDesktop : public Desktop {
public:
    HeadlessDesktop();
    // Where notable calls are noted, in order, beside the system's.
    std::vector<std::string>* log = nullptr;

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

    // Desktop
    int message_box(const std::string& prompt, int style, const std::string& title, Form* owner) override;
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
    void note(std::string what) {
        if (log) log->push_back(std::move(what));
    }
    std::uint32_t next_handle_ = 0x00010010;
};

}  // namespace tk::headless
