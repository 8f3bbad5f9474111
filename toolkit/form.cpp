// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/form.h"

#include <algorithm>

#include "toolkit/runtime.h"
#include "toolkit/units.h"

namespace tk {

Form::Form(Runtime& rt, std::string name) : Control(*this, nullptr, Kind::Form, std::move(name)), rt_(rt) {
    Control::set_visible(false);
}

Form::~Form() {
    if (rt_.main_form() == this) rt_.set_main_form(nullptr);
    rt_.form_unloaded(this);
    if (loaded_) rt_.desktop().detach(*this);
}

void Form::load() {
    if (loaded_) return;
    loaded_ = true;
    rt_.form_loaded(this);
    rt_.desktop().attach(*this);
    loading_ = true;
    hidden_in_load_ = false;
    if (on_load) on_load();
    loading_ = false;
}

void Form::load_and_show() {
    if (!rt_.main_form()) rt_.set_main_form(this);
    load();
    // Shown as the load handler left it: normal, or minimised.
    if (!hidden_in_load_ && !rt_.ended()) Control::set_visible(true);
}

void Form::show() {
    load();
    set_visible(true);
}

void Form::set_visible(bool on) {
    if (!on && loading_) hidden_in_load_ = true;
    if (on && !loaded_) load();
    if (on && minimized_) {
        minimized_ = false;
        notify(Prop::WindowState);
    }
    Control::set_visible(on);
}

void Form::minimize() {
    if (!loaded_) load();
    if (!minimized_) {
        minimized_ = true;
        notify(Prop::WindowState);
    }
    // During the load handler the window is shown when the handler returns.
    if (loading_)
        hidden_in_load_ = false;
    else
        Control::set_visible(true);
}

bool Form::unload() {
    if (!loaded_) return true;
    // An unload asked for from inside the unload handler is the same unload.
    if (unloading_) return false;
    std::int16_t cancel = 0;
    unloading_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{unloading_};
    if (on_unload) on_unload(cancel);
    if (cancel != 0) return false;
    if (!loaded_) return true;  // the handler unloaded it already
    Control::set_visible(false);
    rt_.desktop().detach(*this);
    rt_.form_unloaded(this);
    loaded_ = false;
    return true;
}

Control* Form::find_control(std::string_view name) const {
    if (name == this->name()) return const_cast<Form*>(this);
    for (Control* c : controls_)
        if (c->name() == name) return c;
    return nullptr;
}

Menu* Form::find_menu(std::string_view name) const {
    Control* c = find_control(name);
    return c && c->kind() == Kind::Menu ? static_cast<Menu*>(c) : nullptr;
}

Timer* Form::find_timer(std::string_view name) const {
    for (Timer* t : timers_)
        if (t->name() == name) return t;
    return nullptr;
}

std::vector<Control*> Form::tab_order() const {
    std::vector<Control*> order;
    for (Control* c : controls_)
        if (c->tab_stop()) order.push_back(c);
    return order;
}

Control* Form::first_focus() const {
    for (Control* c : controls_)
        if (c->tab_stop() && c->visible() && c->enabled()) return c;
    return nullptr;
}

void Form::unregister_control(Control* c) {
    controls_.erase(std::remove(controls_.begin(), controls_.end(), c), controls_.end());
}

void Form::unregister_timer(Timer* t) { timers_.erase(std::remove(timers_.begin(), timers_.end(), t), timers_.end()); }

bool Form::takes_input() const { return loaded_ && enabled() && !rt_.ended(); }

bool Form::user_click(DesktopKey, Control& c) {
    if (!takes_input() || !c.enabled() || !c.on_click) return false;
    rt_.dispatch(c.on_click);
    return true;
}

bool Form::user_dbl_click(DesktopKey, Control& c) {
    if (!takes_input() || !c.enabled() || !c.on_dbl_click) return false;
    rt_.dispatch(c.on_dbl_click);
    return true;
}

bool Form::user_choose(DesktopKey, Menu& m, bool via_popup) {
    // A pop-up menu opened from the tray works even while the window is
    // disabled; the menu bar does not.
    if (rt_.ended() || !loaded_ || (!via_popup && !enabled())) return false;
    // Compared before anything of the entry is read: it may be gone.
    if (std::find(controls_.begin(), controls_.end(), &m) == controls_.end()) return false;
    if (m.is_separator() || !m.reachable(via_popup) || !m.on_click) return false;
    rt_.dispatch(m.on_click);
    return true;
}

bool Form::has_menu_bar() const {
    return std::any_of(children().begin(), children().end(),
                       [](const Control* c) { return c->kind() == Kind::Menu && c->visible(); });
}

Form* Form::owner_form() const {
    if (show_in_taskbar) return nullptr;
    for (Form* f : rt_.loaded_forms())
        if (f != this && f->show_in_taskbar) return f;
    return nullptr;
}

bool Form::user_shortcut(DesktopKey key, Shortcut s) {
    if (s == Shortcut::None || !takes_input()) return false;
    for (Control* c : controls_) {
        if (c->kind() != Kind::Menu) continue;
        auto* m = static_cast<Menu*>(c);
        if (m->shortcut() == s) return user_choose(key, *m);
    }
    return false;
}

void Form::user_close(DesktopKey) {
    // A disabled window takes no input, its close box included.
    if (!takes_input()) return;
    rt_.dispatch([this] { unload(); });
}

bool Form::user_key(DesktopKey key, Key k, const Control* focused) {
    if (!takes_input()) return false;
    CommandButton* target = nullptr;
    if (k == Key::Enter && focused && focused->kind() == Kind::CommandButton && &focused->form() == this)
        target = static_cast<CommandButton*>(const_cast<Control*>(focused));
    else
        target = k == Key::Enter ? default_button() : cancel_button();
    return target && target->visible() && user_click(key, *target);
}

void Form::user_tray_message(DesktopKey, Control& target, std::uint32_t message) {
    if (!target.on_mouse_move) return;
    const double x = message * kTwipsPerPixel;
    rt_.dispatch([&target, x] { target.on_mouse_move(0, 0, x, 0); });
}

CommandButton* Form::default_button() const {
    for (Control* c : controls_)
        if (c->kind() == Kind::CommandButton && static_cast<CommandButton*>(c)->is_default)
            return static_cast<CommandButton*>(c);
    return nullptr;
}

CommandButton* Form::cancel_button() const {
    for (Control* c : controls_)
        if (c->kind() == Kind::CommandButton && static_cast<CommandButton*>(c)->is_cancel)
            return static_cast<CommandButton*>(c);
    return nullptr;
}

void Form::popup_menu(Menu& m) { rt_.desktop().popup_menu(*this, m); }

}  // namespace tk
