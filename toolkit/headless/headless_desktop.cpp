// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/headless/headless_desktop.h"

#include <cmath>
#include <cstring>
#include <memory>

#include "toolkit/error.h"

namespace tk::headless {

DesktopKey desktop_key() { return {}; }

namespace {

// Window frame of the headless screen, in pixels.
constexpr int kBorderPx = 4, kCaptionPx = 23, kMenuBarPx = 19;

}  // namespace

HeadlessDesktop::HeadlessDesktop() = default;

int HeadlessDesktop::message_box(const std::string& prompt, int style, const std::string& title, Form* owner) {
    boxes.push_back({prompt, style, title, owner ? owner->name() : std::string()});
    note("box " + prompt);
    ++open_boxes;
    struct Close {
        int& n;
        ~Close() { --n; }
    } close{open_boxes};
    if (on_message_box) on_message_box(boxes.back());
    return 1;  // OK
}

std::uint32_t HeadlessDesktop::shell_notify_icon(std::uint32_t message, const NotifyIconData88& data) {
    TrayCall call{message, {}};
    std::memcpy(call.bytes.data(), &data, sizeof data);
    tray_calls.push_back(call);
    note("tray " + std::to_string(message));
    if (!tray_available) return 0;
    return apply(tray_icon, message, data) ? 1 : 0;
}

void HeadlessDesktop::popup_menu(Form& owner, Menu& menu) {
    popups.push_back(menu.name());
    if (on_popup) on_popup(owner, menu);
}

std::uint32_t HeadlessDesktop::icon_handle(IconId icon) {
    switch (icon) {
        case IconId::Window: return 0x0001A001;
        case IconId::File: return 0x0001A002;
        case IconId::None: break;
    }
    return 0;
}

IconId HeadlessDesktop::load_icon_resource(int id) {
    if (id != 1) throw Error(ErrorCode::ResourceNotFound, "Resource with identifier not found");
    return IconId::File;
}

void HeadlessDesktop::attach(Form& form) {
    attached.push_back(form.name());
    form.set_peer(desktop_key(), std::make_unique<RecordingPeer>(next_handle_++));
    for (Control* c : form.controls()) c->set_peer(desktop_key(), std::make_unique<RecordingPeer>(next_handle_++));
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
    form.sync_bounds(desktop_key(), l, t, w, h);
}

void HeadlessDesktop::detach(Form& form) {
    detached.push_back(form.name());
    for (auto it = form.controls().rbegin(); it != form.controls().rend(); ++it)
        (*it)->set_peer(desktop_key(), nullptr);
    form.set_peer(desktop_key(), nullptr);
}

void HeadlessDesktop::end() {
    ++ends;
    note("end");
}

void HeadlessDesktop::unhandled_error(const std::exception& e) { unhandled.push_back(e.what()); }

}  // namespace tk::headless
