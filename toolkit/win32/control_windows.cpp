// SPDX-License-Identifier: GPL-3.0-or-later
// The windows of the controls: labels, buttons, frames and the boxes that
// draw themselves, their peers, placing, colours and the input they take.
#include "toolkit/win32/form_window.h"

#include <commctrl.h>

#include "toolkit/accessible.h"
#include "toolkit/os/windows/text.h"
#include "toolkit/win32/colours.h"
#include "toolkit/win32/scale.h"
#include "toolkit/win32/tray.h"

namespace tk::win32 {
namespace {

HMENU child_id(UINT id) { return reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)); }

// A group box draws its frame and caption and leaves its inside alone; the
// container beneath cannot paint it (it clips its children), so the box does.
LRESULT CALLBACK group_box_proc(HWND h, UINT m, WPARAM w, LPARAM l, UINT_PTR id, DWORD_PTR data) {
    auto* n = reinterpret_cast<Node*>(data);
    if (m == WM_ERASEBKGND && n->fw && !n->fw->dying) {
        RECT r{};
        ::GetClientRect(h, &r);
        const Color back = n->control ? n->control->back_color() : kDefaultColor;
        ::FillRect(reinterpret_cast<HDC>(w), &r, n->fw->res.brush(back, COLOR_BTNFACE));
        return 1;
    }
    if (m == WM_NCDESTROY) ::RemoveWindowSubclass(h, group_box_proc, id);
    return ::DefSubclassProc(h, m, w, l);
}

}  // namespace

LRESULT CALLBACK child_proc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_NCCREATE) {
        auto* n = static_cast<Node*>(reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams);
        ::SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(n));
    }
    auto* n = reinterpret_cast<Node*>(::GetWindowLongPtrW(h, GWLP_USERDATA));
    LRESULT r = 0;
    if (n && n->fw && n->fw->handle_child(*n, m, w, l, r)) return r;
    return ::DefWindowProcW(h, m, w, l);
}

// --- peers -------------------------------------------------------------------

WinPeer::~WinPeer() {
    if (node_.fw) node_.fw->control_gone(node_);
}

void WinPeer::changed(Prop what) {
    if (node_.fw) node_.fw->changed(node_, what);
}

std::uint32_t WinPeer::handle() const {
    // Handles are 32-bit significant; the tray record carries only those bits.
    if (node_.hwnd) return static_cast<std::uint32_t>(reinterpret_cast<UINT_PTR>(node_.hwnd));
    return static_cast<std::uint32_t>(reinterpret_cast<UINT_PTR>(node_.menu));
}

// --- the controls' windows -----------------------------------------------------

HWND FormWindow::parent_window(const Control& c) const {
    const Control* p = c.parent();
    if (!p || p == form) return hwnd;
    const Node* n = node_of(p);
    return n && n->hwnd ? n->hwnd : hwnd;
}

void FormWindow::create_child(Control& c, UINT id) {
    auto node = std::make_unique<Node>();
    Node& n = *node;
    n.control = &c;
    n.fw = this;
    n.kind = c.kind();
    n.id = id;
    const HWND parent = parent_window(c);
    // The dialog manager's Tab visits WS_TABSTOP windows in creation order,
    // which is the model's tab order.
    const DWORD base = WS_CHILD | WS_CLIPSIBLINGS | (c.visible() ? WS_VISIBLE : 0) |
                       (c.enabled() ? 0 : WS_DISABLED) | (c.tab_stop() ? WS_TABSTOP : 0);
    const std::wstring text = os::widen(c.caption());
    HINSTANCE inst = res.instance();
    switch (c.kind()) {
        case Kind::Label:
            n.hwnd = ::CreateWindowExW(0, L"STATIC", text.c_str(),
                                       base | SS_NOTIFY | (c.alignment() == Align::Center ? SS_CENTER : SS_LEFT),
                                       0, 0, 0, 0, parent, child_id(id), inst, nullptr);
            break;
        case Kind::CommandButton: {
            const bool is_default = static_cast<CommandButton&>(c).is_default;
            n.hwnd = ::CreateWindowExW(0, L"BUTTON", text.c_str(),
                                       base | (is_default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), 0, 0,
                                       0, 0, parent, child_id(id), inst, nullptr);
            break;
        }
        case Kind::Frame:
            // A container that takes the clicks, with the group box drawn inside it.
            n.hwnd = ::CreateWindowExW(WS_EX_CONTROLPARENT, kFrameClass, L"", base | WS_CLIPCHILDREN, 0, 0, 0, 0,
                                       parent, child_id(id), inst, &n);
            if (n.hwnd)
                n.inner = ::CreateWindowExW(0, L"BUTTON", text.c_str(),
                                            WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | BS_GROUPBOX |
                                                (c.enabled() ? 0 : WS_DISABLED),
                                            0, 0, 0, 0, n.hwnd, nullptr, inst, nullptr);
            if (n.inner) ::SetWindowSubclass(n.inner, group_box_proc, 1, reinterpret_cast<DWORD_PTR>(&n));
            break;
        default:
            n.hwnd = ::CreateWindowExW(0, kBoxClass, L"",
                                       base | WS_CLIPCHILDREN | (c.border() ? WS_BORDER : 0), 0, 0, 0, 0, parent,
                                       child_id(id), inst, &n);
            break;
    }
    if (n.hwnd) by_hwnd_[n.hwnd] = &n;
    if (n.inner) by_hwnd_[n.inner] = &n;
    by_control_[&c] = &n;
    by_id_[id] = &n;
    c.set_peer(desktop_key(), std::make_unique<WinPeer>(n));
    nodes_.push_back(std::move(node));
    place(n);
    apply_font(n);
    describe(n);
}

void FormWindow::describe(Node& n) {
    if (n.control && annotations_->describe(n.hwnd, *n.control)) n.described = true;
    // A frame's container is read as the group; its group box only draws it.
    if (n.inner) annotations_->hide(n.inner);
}

namespace {

RECT rect_in_parent(HWND h, HWND parent) {
    RECT r{};
    ::GetWindowRect(h, &r);
    ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

}  // namespace

void FormWindow::keep_drawing_order(const Node& moved) {
    if (!moved.control || !moved.hwnd || moved.kind == Kind::Form || drawn_only(*moved.control)) return;
    const HWND parent = ::GetParent(moved.hwnd);
    for (HWND w = ::GetWindow(parent, GW_CHILD); w; w = ::GetWindow(w, GW_HWNDNEXT)) {
        Node* n = node_of(w);
        if (!n || n->hwnd != w) continue;
        const RECT rw = rect_in_parent(w, parent);
        HRGN shape = nullptr;
        // Below it now, but made before it, so drawn over it as laid out.
        for (HWND s = ::GetWindow(w, GW_HWNDNEXT); s; s = ::GetWindow(s, GW_HWNDNEXT)) {
            const Node* below = node_of(s);
            if (!below || below->hwnd != s || below->id >= n->id) continue;
            if (!(::GetWindowLongPtrW(s, GWL_STYLE) & WS_VISIBLE)) continue;
            const RECT rs = rect_in_parent(s, parent);
            RECT cut{};
            if (!::IntersectRect(&cut, &rw, &rs)) continue;
            if (!shape) shape = ::CreateRectRgn(0, 0, rw.right - rw.left, rw.bottom - rw.top);
            HRGN hole = ::CreateRectRgn(cut.left - rw.left, cut.top - rw.top, cut.right - rw.left, cut.bottom - rw.top);
            ::CombineRgn(shape, shape, hole, RGN_DIFF);
            ::DeleteObject(hole);
        }
        if (shape || n->clipped) ::SetWindowRgn(w, shape, TRUE);  // the window owns the region
        n->clipped = shape != nullptr;
    }
}

void FormWindow::describe_readers_of(const Control& c) {
    // A bar reads its value from its free and total labels and its name from
    // its frame.
    for (auto& n : nodes_) {
        const Control* reader = n->control;
        if (!reader || !reader->value_label()) continue;
        bool reads = reader->value_label() == &c || reader->total_label() == &c;
        for (const Control* p = reader->parent(); p && !reads; p = p->parent()) reads = p == &c;
        if (reads) describe(*n);
    }
}

void FormWindow::control_gone(Node& n) {
    if (n.control) by_control_.erase(n.control);
    n.control = nullptr;
}

void FormWindow::place(Node& n) {
    if (!n.control || !n.hwnd) return;
    if (n.kind == Kind::Form) {
        place_form();
        return;
    }
    const Control& c = *n.control;
    const RECT r = pixel_box(c.left(), c.top(), c.width(), c.height(), dpi);
    const int w = static_cast<int>(r.right - r.left), h = static_cast<int>(r.bottom - r.top);
    ::SetWindowPos(n.hwnd, nullptr, r.left, r.top, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    if (n.inner) ::SetWindowPos(n.inner, nullptr, 0, 0, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    keep_drawing_order(n);
}

HBRUSH FormWindow::colours(HWND control, HDC dc) {
    const Node* n = node_of(control);
    if (!n || !n->control || (n->kind != Kind::Label && n->kind != Kind::Frame)) return nullptr;
    const Control& c = *n->control;
    const TextColours tc = text_colours(c.fore_color(), c.back_color(), high_contrast_, system_colours());
    ::SetTextColor(dc, tc.text);
    ::SetBkColor(dc, tc.background);
    return res.brush(tc.fill, tc.system_fill);
}

void FormWindow::paint_box(Node& n) {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(n.hwnd, &ps);
    if (n.control && n.kind == Kind::PictureBox && n.control->picture() != IconId::None) {
        if (HICON icon = res.icon(n.control->picture(), ::MulDiv(32, static_cast<int>(dpi), 96)))
            ::DrawIconEx(dc, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL);
    }
    const LRESULT cues = ::SendMessageW(n.hwnd, WM_QUERYUISTATE, 0, 0);
    if (::GetFocus() == n.hwnd && !(cues & UISF_HIDEFOCUS)) {
        RECT r{};
        ::GetClientRect(n.hwnd, &r);
        ::DrawFocusRect(dc, &r);
    }
    ::EndPaint(n.hwnd, &ps);
}

bool FormWindow::handle_child(Node& n, UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) {
    if (dying) return false;
    if (n.control && context.tray) {
        // The tray reports the mouse message in place of a coordinate.
        Control& target = *n.control;
        if (context.tray->callback(n.hwnd, msg, wparam, lparam, [&](UINT message) {
                target.form().user_tray_message(desktop_key(), target, message);
            })) {
            result = 0;
            return true;
        }
    }
    switch (msg) {
        case WM_COMMAND:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            // Controls inside a frame or box report to their parent; the form answers.
            result = ::SendMessageW(hwnd, msg, wparam, lparam);
            return true;
        case WM_ERASEBKGND: {
            RECT r{};
            ::GetClientRect(n.hwnd, &r);
            const Color back = n.control ? n.control->back_color() : kDefaultColor;
            ::FillRect(reinterpret_cast<HDC>(wparam), &r, res.brush(back, COLOR_BTNFACE));
            result = 1;
            return true;
        }
        case WM_PAINT:
            paint_box(n);
            result = 0;
            return true;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_UPDATEUISTATE:
            // The focus rectangle comes and goes with the focus, and with
            // the keyboard cues that Tab turns on.
            ::InvalidateRect(n.hwnd, nullptr, TRUE);
            return false;
        case WM_LBUTTONDBLCLK:
            if (form && n.control) form->user_dbl_click(desktop_key(), *n.control);
            result = 0;
            return true;
        default:
            return false;
    }
}

}  // namespace tk::win32
