// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The native windows of one loaded form: the top-level window (a plain window,
// or a dialog for a fixed-dialog form), one child window per control, one menu
// handle per menu, and the fonts they use. Peers pass property changes in;
// the window procedures pass the user's input out through the form.
//  - form_window.cpp: the top-level window, showing it, the input it takes;
//  - control_windows.cpp: the controls' windows, their peers and painting;
//  - menus.cpp: the drop-downs and the menu bar;
//  - form_layout.cpp: twips to pixels at the window's DPI, the fonts and icons.
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "toolkit/win32/accessible.h"
#include "toolkit/form.h"
#include "toolkit/win32/resources.h"

namespace tk::win32 {

struct FormWindow;

// One control's native side.
struct Node {
    Control* control = nullptr;  // null once the control or its peer is gone
    FormWindow* fw = nullptr;
    Kind kind = Kind::Label;
    HWND hwnd = nullptr;   // the control's window; for a frame, its container
    HWND inner = nullptr;  // a frame's group box
    UINT id = 0;           // child-window id, or a menu entry's command
    HMENU menu = nullptr;  // a menu's own drop-down
    HFONT font = nullptr;  // as last set, shared from the form's font table
    bool described = false;  // carries accessibility annotations
    bool clipped = false;    // gives up an overlap with a window drawn over it
};

class WinPeer final : public Peer {
public:
    explicit WinPeer(Node& node) : node_(node) {}
    ~WinPeer() override;
    void changed(Prop what) override;
    std::uint32_t handle() const override;
    const Node& node() const { return node_; }

private:
    Node& node_;
};

inline constexpr wchar_t kFormClass[] = L"TaluvexForm";
inline constexpr wchar_t kFrameClass[] = L"TaluvexFrame";
inline constexpr wchar_t kBoxClass[] = L"TaluvexBox";

void register_window_classes(HINSTANCE instance);
// The window procedure of frames and boxes: their input goes to their form.
LRESULT CALLBACK child_proc(HWND h, UINT m, WPARAM w, LPARAM l);

struct FormWindow {
    FormWindow(const WindowContext& context, Form& form);
    ~FormWindow();
    FormWindow(const FormWindow&) = delete;
    FormWindow& operator=(const FormWindow&) = delete;

    void create();
    // Disconnects from the model; the windows stay until destroyed.
    void forget();
    void changed(Node& n, Prop what);
    void control_gone(Node& n);
    // A message for the top-level window; false lets the default run.
    bool handle(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result);
    // A tray callback or input to one of the controls' own windows.
    bool handle_child(Node& n, UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result);

    Node* node_of(const Control* c) const;
    Node* node_of(HWND h) const;
    Node* node_by_id(UINT id) const;
    void focus_first_button();

    const WindowContext& context;
    Resources& res;
    Form* form;
    HWND hwnd = nullptr;
    bool dialog = false;
    bool dying = false;
    bool shown_once = false;
    UINT dpi = 96;
    HMENU bar = nullptr;

private:
    HWND parent_window(const Control& c) const;
    void create_top();
    void create_child(Control& c, UINT id);
    void size_and_place();
    void place(Node& n);
    void place_form();
    void sync();
    // Shows the top-level window as the form says: hidden, minimised or normal.
    void show_state();
    long px(double twips) const;
    HFONT font_for(const Font& f);
    void apply_font(Node& n);
    void refresh_fonts();
    // Menus: a node each, filled once all exist, filled again as they change.
    void add_menu(Control& c, UINT id);
    void fill_menus();
    void fill_menu(HMENU h, const Control& parent);
    void refill_bar();
    void menu_changed(const Node& n);
    void destroy_menus();
    void set_icons();
    void command(WPARAM wparam, LPARAM lparam);
    HBRUSH colours(HWND control, HDC dc);
    void describe(Node& n);
    // Puts the children's windows in the order the model reads them.
    void put_in_reading_order(const Control& parent);
    // Where that order lays a window over one that was drawn over it, the
    // window gives up the overlap, so the picture stays as laid out.
    void keep_drawing_order(const Node& n);
    void describe_readers_of(const Control& c);
    // High contrast turned on or off, or the system colours changed.
    void theme_changed();
    void paint_box(Node& n);
    void dpi_changed(UINT new_dpi, const RECT& suggested);
    // Lays the window out again if its monitor's DPI is not the one it has.
    void catch_up_dpi();
    void fit_client();

public:
    // The window's outer size whose client area is the layout's at a DPI.
    SIZE window_size_at(UINT at_dpi) const;

private:

    std::vector<std::unique_ptr<Node>> nodes_;  // nodes_[0] is the form
    std::unordered_map<HWND, Node*> by_hwnd_;
    std::unordered_map<const Control*, Node*> by_control_;
    std::map<UINT, Node*> by_id_;
    std::map<std::tuple<std::string, double, int, int>, HFONT> fonts_;
    std::unique_ptr<Annotations> annotations_;
    bool high_contrast_ = false;
};

}  // namespace tk::win32
