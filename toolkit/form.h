// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A window: owns its controls, menus and timers (as members of the derived
// class, created parents first) and defines its handlers as methods.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/control.h"
#include "toolkit/menu.h"
#include "toolkit/timer.h"

namespace tk {

class Runtime;

enum class BorderStyle { Sizable, FixedDialog };
enum class Key { Enter, Escape };

class Form : public Control {
public:
    Form(Runtime& rt, std::string name);
    ~Form() override;

    Runtime& runtime() const { return rt_; }

    // Layout of the window itself (the control's bounds are its outer frame).
    double client_width() const { return client_w_; }
    double client_height() const { return client_h_; }
    void set_client_size(double w, double h) {
        client_w_ = w;
        client_h_ = h;
    }
    // Read once, when the window loads: set them before.
    BorderStyle border_style = BorderStyle::Sizable;
    bool show_in_taskbar = true;
    bool start_centered = true;  // on the screen; otherwise where left/top say

    IconId icon() const { return icon_; }
    void set_icon(IconId id) {
        if (id == icon_) return;
        icon_ = id;
        notify(Prop::Picture);
    }

    bool loaded() const { return loaded_; }
    // Gives the controls their peers and runs the load handler.
    void load();
    // Load, then show unless the load handler hid the window (the start-up form).
    void load_and_show();
    void show();  // modeless
    void hide() { set_visible(false); }
    // Showing a minimised form restores it.
    void set_visible(bool on) override;
    // Shown on the task bar only; the peer minimises the real window.
    void minimize();
    bool minimized() const { return minimized_; }
    // A backend reports that the user minimised or restored the real window.
    void sync_minimized(DesktopKey, bool on) { minimized_ = on; }
    // Runs the unload handler; unless it cancels, the peers go. True when unloaded.
    bool unload();

    std::function<void()> on_load;
    std::function<void(std::int16_t& cancel)> on_unload;

    Control* find_control(std::string_view name) const;
    Menu* find_menu(std::string_view name) const;
    Timer* find_timer(std::string_view name) const;
    const std::vector<Control*>& controls() const { return controls_; }
    const std::vector<Timer*>& timers() const { return timers_; }
    // The controls Tab visits, in order; the first one shown and enabled
    // has the focus when the window opens.
    std::vector<Control*> tab_order() const;
    Control* first_focus() const;

    // Input from the user, as backends and tests deliver it. Each is ignored
    // while the window takes no input (disabled, not loaded, or after the end).
    bool user_click(DesktopKey, Control& c);
    bool user_dbl_click(DesktopKey, Control& c);  // the form itself or a control on it
    // An entry no longer on this form (gone while its menu was open) is refused.
    bool user_choose(DesktopKey, Menu& m, bool via_popup = false);
    bool user_shortcut(DesktopKey, Shortcut s);
    void user_close(DesktopKey);
    // Enter presses the focused button, else the default one; Esc the cancel
    // one. False when no button takes the key.
    bool user_key(DesktopKey, Key k, const Control* focused);
    // A mouse message for a tray target as the tray reports it. X carries the
    // message number in pixels of kTwipsPerPixel twips, whatever the screen's scale.
    void user_tray_message(DesktopKey, Control& target, std::uint32_t message);

    // A visible top-level menu puts a menu bar on the window.
    bool has_menu_bar() const;
    // A window without a task-bar entry belongs to the first other loaded
    // window that has one; none for a window with its own entry.
    Form* owner_form() const;

    CommandButton* default_button() const;
    CommandButton* cancel_button() const;
    // Opens one of this form's menus as a pop-up at the mouse.
    void popup_menu(Menu& m);

private:
    // Controls and timers enter and leave their form's lists themselves.
    friend class Control;
    friend class Timer;
    void register_control(Control* c) { controls_.push_back(c); }
    void unregister_control(Control* c);
    void register_timer(Timer* t) { timers_.push_back(t); }
    void unregister_timer(Timer* t);

    bool takes_input() const;
    Runtime& rt_;
    double client_w_ = 0, client_h_ = 0;
    bool loaded_ = false;
    bool loading_ = false;
    bool hidden_in_load_ = false;
    bool minimized_ = false;
    IconId icon_ = IconId::Window;
    bool unloading_ = false;
    std::vector<Control*> controls_;
    std::vector<Timer*> timers_;
};

}  // namespace tk
