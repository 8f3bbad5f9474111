// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>
#include <string_view>

#include "toolkit/control.h"

namespace tk {

enum class Shortcut { None, CtrlF, CtrlQ, CtrlU, CtrlT, CtrlX, F1 };
std::string_view shortcut_text(Shortcut s);

// A menu entry; a top-level menu has the form as its parent. The caption "-"
// makes a separator.
class Menu : public Control {
public:
    Menu(Form& form, Control& parent, std::string name, std::string_view caption,
         Shortcut shortcut = Shortcut::None);
    bool checked() const { return checked_; }
    void set_checked(bool on);
    Shortcut shortcut() const { return shortcut_; }
    bool is_separator() const { return caption() == "-"; }
    bool top_level() const;
    // Does it open a menu of its own (a drop-down or a submenu)?
    bool has_entries() const;
    // The text an entry shows: the caption, then a tab and the shortcut's
    // keys. A title on the menu bar never shows its keys.
    std::string display_text() const;
    // Can the user choose it? Every menu up the chain must be enabled; on the
    // menu bar they must be visible too, while a pop-up opens even an invisible
    // top-level menu.
    bool reachable(bool via_popup) const;

private:
    bool checked_ = false;
    Shortcut shortcut_;
};

}  // namespace tk
