// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/control.h"

#include <algorithm>
#include <cmath>

#include "toolkit/error.h"
#include "toolkit/form.h"

namespace tk {

Control::Control(Form& form, Control* parent, Kind kind, std::string name)
    : form_(form), parent_(parent), kind_(kind), name_(std::move(name)) {
    if (parent_) parent_->children_.push_back(this);
    if (kind_ != Kind::Form) form_.register_control(this);
}

Control::~Control() {
    // Members go before their form: leave the form's lists as we go, so the
    // form never reaches a control that is gone.
    if (kind_ != Kind::Form) form_.unregister_control(this);
    if (parent_) {
        auto& siblings = parent_->children_;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    }
}

void Control::set_caption(std::string_view text) {
    if (text == caption_) return;
    caption_.assign(text.data(), text.size());
    notify(Prop::Caption);
}

void Control::set_enabled(bool on) {
    if (on == enabled_) return;
    enabled_ = on;
    notify(Prop::Enabled);
}

void Control::set_visible(bool on) {
    if (on == visible_) return;
    visible_ = on;
    notify(Prop::Visible);
}

double Control::checked(double v) {
    if (!std::isfinite(v)) throw Error(ErrorCode::InvalidPropertyValue, "Invalid property value");
    // Twips as a 32-bit coordinate: a real window system has no room beyond it.
    if (std::fabs(v) > 2147483647.0) throw Error(ErrorCode::Overflow, "Overflow");
    return v;
}

void Control::set_left(double v) {
    v = checked(v);
    if (v == left_) return;
    left_ = v;
    notify(Prop::Geometry);
}

void Control::set_top(double v) {
    v = checked(v);
    if (v == top_) return;
    top_ = v;
    notify(Prop::Geometry);
}

void Control::set_width(double v) {
    v = checked(v);
    if (v < 0) throw Error(ErrorCode::InvalidPropertyValue, "Invalid property value");
    if (v == width_) return;
    width_ = v;
    notify(Prop::Geometry);
}

void Control::set_height(double v) {
    v = checked(v);
    if (v < 0) throw Error(ErrorCode::InvalidPropertyValue, "Invalid property value");
    if (v == height_) return;
    height_ = v;
    notify(Prop::Geometry);
}

void Control::set_bounds(double l, double t, double w, double h) {
    l = checked(l), t = checked(t), w = checked(w), h = checked(h);
    if (w < 0 || h < 0) throw Error(ErrorCode::InvalidPropertyValue, "Invalid property value");
    if (l == left_ && t == top_ && w == width_ && h == height_) return;
    left_ = l, top_ = t, width_ = w, height_ = h;
    notify(Prop::Geometry);
}

void Control::sync_bounds(DesktopKey, double l, double t, double w, double h) {
    left_ = l, top_ = t, width_ = w, height_ = h;
}

void Control::set_back_color(Color c) {
    if (c == back_) return;
    back_ = c;
    notify(Prop::Colors);
}

void Control::set_fore_color(Color c) {
    if (c == fore_) return;
    fore_ = c;
    notify(Prop::Colors);
}

void Control::set_font(const Font& f) {
    if (f == font_) return;
    font_ = f;
    notify(Prop::Font);
}

void Control::set_picture(IconId id) {
    if (id == picture_) return;
    picture_ = id;
    notify(Prop::Picture);
}

std::string_view shortcut_text(Shortcut s) {
    switch (s) {
        case Shortcut::CtrlF: return "Ctrl+F";
        case Shortcut::CtrlQ: return "Ctrl+Q";
        case Shortcut::CtrlU: return "Ctrl+U";
        case Shortcut::CtrlT: return "Ctrl+T";
        case Shortcut::CtrlX: return "Ctrl+X";
        case Shortcut::F1: return "F1";
        case Shortcut::None: break;
    }
    return {};
}

Menu::Menu(Form& form, Control& parent, std::string name, std::string_view caption, Shortcut shortcut)
    : Control(form, &parent, Kind::Menu, std::move(name)), shortcut_(shortcut) {
    set_caption(caption);
}

void Menu::set_checked(bool on) {
    if (on == checked_) return;
    checked_ = on;
    notify(Prop::Checked);
}

bool Menu::top_level() const { return parent() && parent()->kind() == Kind::Form; }

bool Menu::has_entries() const {
    return std::any_of(children().begin(), children().end(), [](const Control* c) { return c->kind() == Kind::Menu; });
}

std::string Menu::display_text() const {
    std::string text = caption();
    if (!top_level() && shortcut_ != Shortcut::None) {
        text += '\t';
        text += shortcut_text(shortcut_);
    }
    return text;
}

bool Menu::reachable(bool via_popup) const {
    for (const Control* c = this; c && c->kind() == Kind::Menu; c = c->parent()) {
        const bool popup_root = via_popup && static_cast<const Menu*>(c)->top_level();
        if (!c->enabled() || (!c->visible() && !popup_root)) return false;
    }
    return true;
}

}  // namespace tk
