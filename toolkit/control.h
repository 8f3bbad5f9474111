// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A control is plain data with properties and events. Setters return early when
// nothing changed, otherwise store the value and tell the control's peer (the
// backend's real widget), so a refresh that rewrites every label repaints nothing.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tk {

class Form;
class DesktopKey;
namespace headless { DesktopKey desktop_key(); }
namespace qt { DesktopKey desktop_key(); }
namespace win32 { DesktopKey desktop_key(); }

// Members that take a DesktopKey tell the model what the real window did (input,
// moves, the peer behind it). Only the desktops and the test harness make one,
// so behaviour code cannot fake a click or swap a peer by mistake.
class DesktopKey {
    DesktopKey() = default;
    friend DesktopKey headless::desktop_key();
    friend DesktopKey qt::desktop_key();
    friend DesktopKey win32::desktop_key();
};

// 0x00RRGGBB, or kDefaultColor for the toolkit's own colour.
using Color = std::uint32_t;
inline constexpr Color kDefaultColor = 0xFF000000u;
constexpr Color rgb(unsigned r, unsigned g, unsigned b) { return (r << 16) | (g << 8) | b; }

enum class Kind { Form, Frame, Label, PictureBox, CommandButton, Menu };
enum class Prop { Caption, Enabled, Visible, Geometry, Colors, Font, Picture, Checked, WindowState };
inline constexpr std::size_t kPropCount = 9;
enum class Align { Left, Center };
enum class IconId { None, Window, File };

struct Font {
    std::string face;  // empty: the toolkit's default dialog font
    double points = 0;
    int weight = 400;
    int charset = 0;
    bool operator==(const Font&) const = default;
};

class Peer {
public:
    virtual ~Peer() = default;
    virtual void changed(Prop what) = 0;
    // The native handle, 32-bit significant, as the tray record carries it.
    virtual std::uint32_t handle() const { return 0; }
};

class Control {
public:
    // parent is the container (the form itself for top-level controls and menus).
    Control(Form& form, Control* parent, Kind kind, std::string name);
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const std::string& name() const { return name_; }
    Kind kind() const { return kind_; }
    Control* parent() const { return parent_; }
    Form& form() const { return form_; }
    const std::vector<Control*>& children() const { return children_; }

    const std::string& caption() const { return caption_; }
    void set_caption(std::string_view text);
    bool enabled() const { return enabled_; }
    void set_enabled(bool on);
    bool visible() const { return visible_; }
    virtual void set_visible(bool on);

    double left() const { return left_; }
    double top() const { return top_; }
    double width() const { return width_; }
    double height() const { return height_; }
    // Refuse what a real toolkit refuses: non-finite or out-of-range values and
    // negative sizes raise tk::Error and leave the property as it was.
    void set_left(double v);
    void set_top(double v);
    void set_width(double v);
    void set_height(double v);
    void set_bounds(double left, double top, double width, double height);
    // A backend reports where the user moved or sized the real window.
    void sync_bounds(DesktopKey, double left, double top, double width, double height);

    Color back_color() const { return back_; }
    Color fore_color() const { return fore_; }
    void set_back_color(Color c);
    void set_fore_color(Color c);
    const Font& font() const { return font_; }
    void set_font(const Font& f);
    // Alignment and border are read once, when the window loads.
    Align alignment() const { return align_; }
    void set_alignment(Align a) { align_ = a; }
    bool border() const { return border_; }
    void set_border(bool b) { border_ = b; }
    IconId picture() const { return picture_; }
    void set_picture(IconId id);
    // Whether Tab stops here (read at load); the form's creation order is the tab order.
    bool tab_stop() const { return tab_stop_; }
    void set_tab_stop(bool on) { tab_stop_ = on; }

    // For assistive technology, a bar reads as the figure of one label out of
    // another's (captions that begin with the number). Read at load.
    const Control* value_label() const { return value_label_; }
    const Control* total_label() const { return total_label_; }
    void set_value_labels(const Control& value, const Control& total) {
        value_label_ = &value;
        total_label_ = &total;
    }

    // A label whose changes assistive technology tells wherever the focus is
    // (a status line). Read at load.
    bool announced() const { return announced_; }
    void set_announced(bool on) { announced_ = on; }

    // Native window handle of the control's peer; 0 while it has none.
    std::uint32_t hwnd() const { return peer_ ? peer_->handle() : 0; }

    std::function<void()> on_click;
    std::function<void()> on_dbl_click;
    std::function<void(int button, int shift, double x, double y)> on_mouse_move;

    Peer* peer(DesktopKey) const { return peer_.get(); }
    void set_peer(DesktopKey, std::unique_ptr<Peer> p) { peer_ = std::move(p); }

protected:
    void notify(Prop what) {
        if (peer_) peer_->changed(what);
    }

private:
    static double checked(double v);
    Form& form_;
    Control* parent_;
    Kind kind_;
    std::string name_;
    std::vector<Control*> children_;
    std::string caption_;
    bool enabled_ = true;
    bool visible_ = true;
    double left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    Color back_ = kDefaultColor, fore_ = kDefaultColor;
    Font font_;
    Align align_ = Align::Left;
    bool border_ = false;
    IconId picture_ = IconId::None;
    bool tab_stop_ = false;
    const Control* value_label_ = nullptr;
    const Control* total_label_ = nullptr;
    bool announced_ = false;
    std::unique_ptr<Peer> peer_;
};

class Frame : public Control {
public:
    Frame(Form& f, Control& parent, std::string name) : Control(f, &parent, Kind::Frame, std::move(name)) {}
};
class Label : public Control {
public:
    Label(Form& f, Control& parent, std::string name) : Control(f, &parent, Kind::Label, std::move(name)) {}
};
class PictureBox : public Control {
public:
    PictureBox(Form& f, Control& parent, std::string name)
        : Control(f, &parent, Kind::PictureBox, std::move(name)) {}
};
class CommandButton : public Control {
public:
    CommandButton(Form& f, Control& parent, std::string name)
        : Control(f, &parent, Kind::CommandButton, std::move(name)) {
        set_tab_stop(true);
    }
    // Read once, when the window loads.
    bool is_default = false;  // Enter presses it
    bool is_cancel = false;   // Esc presses it
};

}  // namespace tk
