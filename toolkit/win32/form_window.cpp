// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/win32/form_window.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>

#include "toolkit/menu.h"
#include "toolkit/os/windows/text.h"
#include "toolkit/win32/colours.h"
#include "toolkit/win32/dpi.h"
#include "toolkit/win32/font.h"
#include "toolkit/win32/shortcuts.h"

namespace tk::win32 {
namespace {

constexpr wchar_t kFormClass[] = L"TaluvexForm";
constexpr wchar_t kFrameClass[] = L"TaluvexFrame";
constexpr wchar_t kBoxClass[] = L"TaluvexBox";
constexpr UINT kFirstChildId = 100;  // clear of IDOK and IDCANCEL
constexpr UINT kFirstMenuId = 1000;
// Pixels: far beyond any screen, well inside what a window position may be.
constexpr long kFar = 30000;
constexpr double kTwipsPerInch = 1440.0;

long clamp_far(long v) { return std::clamp(v, -kFar, kFar); }

HMENU child_id(UINT id) { return reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)); }

LRESULT CALLBACK form_proc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_NCCREATE) {
        auto* fw = static_cast<FormWindow*>(reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams);
        fw->hwnd = h;
        ::SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(fw));
    }
    auto* fw = reinterpret_cast<FormWindow*>(::GetWindowLongPtrW(h, GWLP_USERDATA));
    LRESULT r = 0;
    if (fw && fw->handle(m, w, l, r)) return r;
    return ::DefWindowProcW(h, m, w, l);
}

INT_PTR CALLBACK dialog_proc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_INITDIALOG) {
        auto* fw = reinterpret_cast<FormWindow*>(l);
        fw->hwnd = h;
        ::SetWindowLongPtrW(h, DWLP_USER, l);
        return FALSE;  // the focus is placed when the box shows
    }
    auto* fw = reinterpret_cast<FormWindow*>(::GetWindowLongPtrW(h, DWLP_USER));
    LRESULT r = 0;
    if (!fw || !fw->handle(m, w, l, r)) return FALSE;
    switch (m) {
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
            return static_cast<INT_PTR>(r);
        default:
            ::SetWindowLongPtrW(h, DWLP_MSGRESULT, r);
            return TRUE;
    }
}

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

// A group box draws its frame and caption and leaves its inside alone; the
// container beneath cannot paint it (it clips its children), so the box does.
LRESULT CALLBACK group_box_proc(HWND h, UINT m, WPARAM w, LPARAM l, UINT_PTR id, DWORD_PTR data) {
    auto* n = reinterpret_cast<Node*>(data);
    if (m == WM_ERASEBKGND && n->fw && !n->fw->dying) {
        RECT r{};
        ::GetClientRect(h, &r);
        const Color back = n->control ? n->control->back_color() : kDefaultColor;
        ::FillRect(reinterpret_cast<HDC>(w), &r, n->fw->pf.brush(back, COLOR_BTNFACE));
        return 1;
    }
    if (m == WM_NCDESTROY) ::RemoveWindowSubclass(h, group_box_proc, id);
    return ::DefSubclassProc(h, m, w, l);
}

void register_class(HINSTANCE inst, const wchar_t* name, WNDPROC proc, HBRUSH background) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = proc;
    wc.hInstance = inst;
    wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    ::RegisterClassExW(&wc);
}

}  // namespace

void register_window_classes(HINSTANCE inst) {
    register_class(inst, kFormClass, form_proc, reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1)));
    // Containers and boxes paint their own background in their own colour.
    register_class(inst, kFrameClass, child_proc, nullptr);
    register_class(inst, kBoxClass, child_proc, nullptr);
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

// --- the form's windows --------------------------------------------------------

FormWindow::FormWindow(Win32Platform& platform, Form& f) : pf(platform), form(&f) {}

FormWindow::~FormWindow() {
    dying = true;
    if (annotations_)
        for (auto& n : nodes_)
            if (n->described) annotations_->forget(n->hwnd);
    if (hwnd) {
        ::SetMenu(hwnd, nullptr);
        ::DestroyWindow(hwnd);
    }
    // Menus are taken apart first so that no drop-down is destroyed twice.
    auto empty = [](HMENU h) {
        while (::GetMenuItemCount(h) > 0) ::RemoveMenu(h, 0, MF_BYPOSITION);
    };
    if (bar) empty(bar);
    for (auto& n : nodes_)
        if (n->menu) empty(n->menu);
    if (bar) ::DestroyMenu(bar);
    for (auto& n : nodes_) {
        if (n->menu) ::DestroyMenu(n->menu);
        n->fw = nullptr;
    }
    for (auto& [key, font] : fonts_) ::DeleteObject(font);
}

Node* FormWindow::node_of(const Control* c) const {
    auto it = by_control_.find(c);
    return it == by_control_.end() ? nullptr : it->second;
}

Node* FormWindow::node_of(HWND h) const {
    auto it = by_hwnd_.find(h);
    return it == by_hwnd_.end() ? nullptr : it->second;
}

Node* FormWindow::node_by_id(UINT id) const {
    auto it = by_id_.find(id);
    return it == by_id_.end() ? nullptr : it->second;
}

long FormWindow::px(double twips) const { return std::lround(twips * dpi / kTwipsPerInch); }

void FormWindow::create() {
    dialog = form->border_style == BorderStyle::FixedDialog;
    IAccPropServices* services = Annotations::system_services();
    annotations_ = std::make_unique<Annotations>(services);
    if (services) services->Release();
    high_contrast_ = high_contrast_on();
    create_top();
    if (!hwnd) return;
    dpi = dpi_of(hwnd);
    // Run as administrator, the program would otherwise never hear a new task
    // bar: Explorer runs with less rights than the window.
    if (pf.taskbar_created()) ::ChangeWindowMessageFilterEx(hwnd, pf.taskbar_created(), MSGFLT_ALLOW, nullptr);

    auto top = std::make_unique<Node>();
    top->control = form;
    top->fw = this;
    top->kind = Kind::Form;
    top->hwnd = hwnd;
    by_hwnd_[hwnd] = top.get();
    by_control_[form] = top.get();
    form->set_peer(std::make_unique<WinPeer>(*top));
    nodes_.push_back(std::move(top));

    UINT next_child = kFirstChildId, next_menu = kFirstMenuId;
    // Parents come before their children in the form's list.
    for (Control* c : form->controls()) {
        if (c->kind() == Kind::Menu) {
            auto n = std::make_unique<Node>();
            n->control = c;
            n->fw = this;
            n->kind = Kind::Menu;
            n->id = next_menu++;
            n->menu = ::CreatePopupMenu();
            by_control_[c] = n.get();
            by_id_[n->id] = n.get();
            c->set_peer(std::make_unique<WinPeer>(*n));
            nodes_.push_back(std::move(n));
        } else {
            create_child(*c, next_child++);
        }
    }
    for (auto& n : nodes_)
        if (n->kind == Kind::Menu && n->control && static_cast<const Menu&>(*n->control).has_entries()) fill_menu(n->menu, *n->control);
    refill_bar();
    // The first child created is the top of the z-order; a group box must lie
    // under what it frames, or its siblings would be clipped away by it.
    for (auto& n : nodes_)
        if (n->inner) ::SetWindowPos(n->inner, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    set_icons();
    size_and_place();
    sync();
}

void FormWindow::create_top() {
    const std::wstring title = os::widen(form->caption());
    HWND owner = pf.owner_window(*form);
    if (dialog) {
        // An empty template: the dialog manager supplies Tab, Enter and Esc
        // handling, default-button looks and focus memory; the controls are
        // added below like everywhere else.
        struct alignas(4) Template {
            DLGTEMPLATE head;
            WORD menu, window_class, title;
        } tpl{};
        tpl.head.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_CLIPCHILDREN |
                         (form->enabled() ? 0 : WS_DISABLED);
        DWORD ex = 0;
        if (form->show_in_taskbar) ex |= WS_EX_APPWINDOW;
        tpl.head.dwExtendedStyle = ex;
        ::CreateDialogIndirectParamW(pf.instance(), &tpl.head, owner, dialog_proc, reinterpret_cast<LPARAM>(this));
        if (hwnd) {
            keep_dialog_layout(hwnd);
            ::SetWindowTextW(hwnd, title.c_str());
        }
        return;
    }
    DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | (form->enabled() ? 0 : WS_DISABLED);
    ::CreateWindowExW(0, kFormClass, title.c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT, 100, 100, owner,
                      nullptr, pf.instance(), this);
}

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
    HINSTANCE inst = pf.instance();
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
    c.set_peer(std::make_unique<WinPeer>(n));
    nodes_.push_back(std::move(node));
    place(n);
    apply_font(n);
    describe(n);
}

void FormWindow::describe(Node& n) {
    if (n.control && annotations_->describe(n.hwnd, *n.control)) n.described = true;
}

void FormWindow::describe_readers_of(const Control& c) {
    // A bar reads its value from a figure label and its name from its frame.
    for (auto& n : nodes_) {
        const Control* reader = n->control;
        if (!reader || !reader->value_label()) continue;
        bool reads = reader->value_label() == &c;
        for (const Control* p = reader->parent(); p && !reads; p = p->parent()) reads = p == &c;
        if (reads) describe(*n);
    }
}

void FormWindow::forget() {
    if (!form) return;
    for (Control* c : form->controls()) c->set_peer(nullptr);
    form->set_peer(nullptr);
    form = nullptr;
}

void FormWindow::control_gone(Node& n) {
    if (n.control) by_control_.erase(n.control);
    n.control = nullptr;
}

// --- layout ------------------------------------------------------------------

void FormWindow::place(Node& n) {
    if (!n.control || !n.hwnd) return;
    if (n.kind == Kind::Form) {
        place_form();
        return;
    }
    const Control& c = *n.control;
    // Edges, not sizes, are rounded, so that boxes that meet in twips meet in pixels.
    const long x0 = clamp_far(px(c.left())), y0 = clamp_far(px(c.top()));
    const long x1 = clamp_far(px(c.left() + c.width())), y1 = clamp_far(px(c.top() + c.height()));
    const int w = static_cast<int>(std::max(0L, x1 - x0)), h = static_cast<int>(std::max(0L, y1 - y0));
    ::SetWindowPos(n.hwnd, nullptr, x0, y0, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    if (n.inner) ::SetWindowPos(n.inner, nullptr, 0, 0, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
}

void FormWindow::place_form() {
    ::SetWindowPos(hwnd, nullptr, px(form->left()), px(form->top()), px(form->width()), px(form->height()),
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

void FormWindow::size_and_place() {
    const int cw = px(form->client_width()), ch = px(form->client_height());
    RECT r{0, 0, cw, ch};
    const DWORD style = static_cast<DWORD>(::GetWindowLongPtrW(hwnd, GWL_STYLE));
    const DWORD ex = static_cast<DWORD>(::GetWindowLongPtrW(hwnd, GWL_EXSTYLE));
    adjust_for_dpi(r, style, ::GetMenu(hwnd) != nullptr, ex, dpi);
    int w = r.right - r.left, h = r.bottom - r.top;
    RECT work{0, 0, w, h};
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    if (::GetMonitorInfoW(::MonitorFromWindow(hwnd, MONITOR_DEFAULTTOPRIMARY), &mi)) work = mi.rcWork;
    auto put = [&] {
        int x = px(form->left()), y = px(form->top());
        if (form->start_centered) {
            x = work.left + (work.right - work.left - w) / 2;
            y = work.top + (work.bottom - work.top - h) / 2;
        }
        ::SetWindowPos(hwnd, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    };
    put();
    // A menu bar that wraps, or a frame wider than the metrics say, is measured
    // here and made up for, so the client area is what the layout asks for.
    RECT client{};
    ::GetClientRect(hwnd, &client);
    const int dw = cw - client.right, dh = ch - client.bottom;
    if (dw != 0 || dh != 0) {
        w += dw;
        h += dh;
        put();
    }
}

void FormWindow::sync() {
    if (!form || dying || !hwnd || ::IsIconic(hwnd)) return;
    RECT r{};
    if (!::GetWindowRect(hwnd, &r)) return;
    const double t = kTwipsPerInch / dpi;
    form->sync_bounds(r.left * t, r.top * t, (r.right - r.left) * t, (r.bottom - r.top) * t);
}

void FormWindow::dpi_changed(UINT new_dpi, const RECT& suggested) {
    dpi = new_dpi ? new_dpi : 96;
    ::SetWindowPos(hwnd, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                   suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    for (auto& n : nodes_)
        if (n->kind != Kind::Form && n->kind != Kind::Menu) place(*n);
    refresh_fonts();
    set_icons();
    ::InvalidateRect(hwnd, nullptr, TRUE);
    sync();
}

// --- fonts, icons, colours -------------------------------------------------------

HFONT FormWindow::font_for(const Font& f) {
    const auto key = std::make_tuple(f.face, f.points, f.weight, f.charset);
    if (auto it = fonts_.find(key); it != fonts_.end()) return it->second;
    const LOGFONTW lf = logfont_for(f, dpi);
    HFONT font = ::CreateFontIndirectW(&lf);
    fonts_[key] = font;
    return font;
}

void FormWindow::apply_font(Node& n) {
    if (!n.control || !n.hwnd) return;
    if (n.kind != Kind::Label && n.kind != Kind::CommandButton && n.kind != Kind::Frame) return;
    n.font = font_for(n.control->font());
    const WPARAM f = reinterpret_cast<WPARAM>(n.font);
    ::SendMessageW(n.inner ? n.inner : n.hwnd, WM_SETFONT, f, TRUE);
}

void FormWindow::refresh_fonts() {
    std::vector<HFONT> stale;
    for (auto& [key, font] : fonts_) stale.push_back(font);
    fonts_.clear();
    for (auto& n : nodes_) apply_font(*n);
    // No control uses them any more.
    for (HFONT font : stale) ::DeleteObject(font);
}

void FormWindow::set_icons() {
    if (!form || form->icon() == IconId::None) return;
    HICON big = pf.icon(form->icon(), metric_for_dpi(SM_CXICON, dpi));
    HICON small_icon = pf.icon(form->icon(), metric_for_dpi(SM_CXSMICON, dpi));
    if (big) ::SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    if (small_icon) ::SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small_icon));
}

HBRUSH FormWindow::colours(HWND control, HDC dc) {
    const Node* n = node_of(control);
    if (!n || !n->control || (n->kind != Kind::Label && n->kind != Kind::Frame)) return nullptr;
    const Control& c = *n->control;
    const TextColours tc = text_colours(c.fore_color(), c.back_color(), high_contrast_, system_colours());
    ::SetTextColor(dc, tc.text);
    ::SetBkColor(dc, tc.background);
    return pf.brush(tc.fill, tc.system_fill);
}

void FormWindow::theme_changed() {
    high_contrast_ = high_contrast_on();
    ::RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

// --- menus ---------------------------------------------------------------------

void FormWindow::fill_menu(HMENU h, const Control& parent) {
    // Removed, not deleted: the drop-downs are this window's to keep.
    while (::GetMenuItemCount(h) > 0) ::RemoveMenu(h, 0, MF_BYPOSITION);
    for (Control* c : parent.children()) {
        if (c->kind() != Kind::Menu || !c->visible()) continue;
        const Node* n = node_of(c);
        if (!n) continue;
        const auto& m = static_cast<const Menu&>(*c);
        if (m.is_separator()) {
            ::AppendMenuW(h, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        const std::wstring text = os::widen(m.display_text());
        const UINT flags =
            MF_STRING | (m.enabled() ? MF_ENABLED : MF_GRAYED) | (m.checked() ? MF_CHECKED : MF_UNCHECKED);
        if (m.has_entries())
            ::AppendMenuW(h, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(n->menu), text.c_str());
        else
            ::AppendMenuW(h, flags, n->id, text.c_str());
    }
}

void FormWindow::refill_bar() {
    if (!bar) bar = ::CreateMenu();
    fill_menu(bar, *form);
    HMENU want = ::GetMenuItemCount(bar) > 0 ? bar : nullptr;
    if (::GetMenu(hwnd) != want)
        ::SetMenu(hwnd, want);
    else if (want)
        ::DrawMenuBar(hwnd);
}

// --- changes from the model ---------------------------------------------------------

void FormWindow::focus_first_button() {
    if (!form) return;
    if (const Node* n = node_of(form->first_focus()); n && n->hwnd)
        ::SendMessageW(hwnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(n->hwnd), TRUE);
}

void FormWindow::changed(Node& n, Prop what) {
    if (dying || !form || !n.control) return;
    if (n.kind == Kind::Menu) {
        const Control* parent = n.control->parent();
        if (parent == form) {
            refill_bar();
        } else if (const Node* p = node_of(parent); p && p->menu) {
            fill_menu(p->menu, *parent);
        }
        return;
    }
    const Control& c = *n.control;
    if (n.kind == Kind::Form) {
        switch (what) {
            case Prop::Caption: ::SetWindowTextW(hwnd, os::widen(c.caption()).c_str()); break;
            case Prop::Enabled: ::EnableWindow(hwnd, c.enabled() ? TRUE : FALSE); break;
            case Prop::Visible:
            case Prop::WindowState: show_state(); break;
            case Prop::Geometry: place_form(); break;
            case Prop::Colors: ::InvalidateRect(hwnd, nullptr, TRUE); break;
            case Prop::Picture: set_icons(); break;
            default: break;
        }
        return;
    }
    switch (what) {
        case Prop::Caption:
            ::SetWindowTextW(n.inner ? n.inner : n.hwnd, os::widen(c.caption()).c_str());
            describe_readers_of(c);
            break;
        case Prop::Enabled:
            ::EnableWindow(n.hwnd, c.enabled() ? TRUE : FALSE);
            if (n.inner) ::EnableWindow(n.inner, c.enabled() ? TRUE : FALSE);
            break;
        case Prop::Visible:
            ::ShowWindow(n.hwnd, c.visible() ? SW_SHOWNA : SW_HIDE);
            if (c.visible()) describe(n);
            break;
        case Prop::Geometry: place(n); break;
        case Prop::Colors:
        case Prop::Picture:
            ::InvalidateRect(n.hwnd, nullptr, TRUE);
            if (n.inner) ::InvalidateRect(n.inner, nullptr, TRUE);
            if (what == Prop::Picture) describe(n);
            break;
        case Prop::Font: apply_font(n); break;
        default: break;
    }
}

void FormWindow::show_state() {
    if (!form->visible()) {
        ::ShowWindow(hwnd, SW_HIDE);
        return;
    }
    if (form->minimized()) {
        // On the task bar only, without taking the focus from anyone.
        if (!::IsWindowVisible(hwnd) || !::IsIconic(hwnd)) ::ShowWindow(hwnd, SW_SHOWMINNOACTIVE);
        shown_once = true;
        return;
    }
    ::ShowWindow(hwnd, ::IsIconic(hwnd) ? SW_RESTORE : shown_once ? SW_SHOW : SW_SHOWNORMAL);
    shown_once = true;
    ::SetForegroundWindow(hwnd);
    if (dialog) focus_first_button();
    ::UpdateWindow(hwnd);
}

// --- input -------------------------------------------------------------------

void FormWindow::command(WPARAM wparam, LPARAM lparam) {
    const UINT id = LOWORD(wparam), code = HIWORD(wparam);
    if (lparam) {
        const Node* n = node_of(reinterpret_cast<HWND>(lparam));
        if (!n || !n->control) return;
        if (n->kind == Kind::CommandButton && code == BN_CLICKED) {
            form->user_click(*n->control);
        } else if (n->kind == Kind::Label) {
            if (code == STN_CLICKED) form->user_click(*n->control);
            if (code == STN_DBLCLK) form->user_dbl_click(*n->control);
        }
        return;
    }
    if (code == 1) {  // an accelerator
        if (const Shortcut s = shortcut_of_command(id); s != Shortcut::None) form->user_shortcut(s);
        return;
    }
    if (id == IDOK || id == IDCANCEL) {
        // Enter or Esc with no button of that id: the default or cancel button.
        form->user_key(id == IDOK ? Key::Enter : Key::Escape, nullptr);
        return;
    }
    const Node* n = node_by_id(id);
    if (n && n->control && n->kind == Kind::Menu) form->user_choose(static_cast<Menu&>(*n->control));
}

bool FormWindow::handle(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) {
    if (dying) return false;
    switch (msg) {
        case WM_CLOSE:
            // The form decides; a window that is being taken down just stays.
            if (form) form->user_close();
            result = 0;
            return true;
        case WM_COMMAND:
            if (form) command(wparam, lparam);
            result = 0;
            return true;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN: {
            HBRUSH b = colours(reinterpret_cast<HWND>(lparam), reinterpret_cast<HDC>(wparam));
            if (!b) return false;
            result = reinterpret_cast<LRESULT>(b);
            return true;
        }
        case WM_CTLCOLORDLG:
            if (!form || form->back_color() == kDefaultColor) return false;
            result = reinterpret_cast<LRESULT>(pf.brush(form->back_color(), COLOR_BTNFACE));
            return true;
        case WM_ERASEBKGND:
            if (dialog || !form || form->back_color() == kDefaultColor) return false;
            {
                RECT r{};
                ::GetClientRect(hwnd, &r);
                ::FillRect(reinterpret_cast<HDC>(wparam), &r, pf.brush(form->back_color(), COLOR_BTNFACE));
            }
            result = 1;
            return true;
        case WM_LBUTTONDBLCLK:
            if (form) form->user_dbl_click(*form);
            result = 0;
            return true;
        case WM_SIZE:
            // The user (or the task bar) minimised or restored the window.
            if (form && (wparam == SIZE_MINIMIZED || wparam == SIZE_RESTORED || wparam == SIZE_MAXIMIZED))
                form->sync_minimized(wparam == SIZE_MINIMIZED);
            sync();
            return false;
        case WM_MOVE:
            sync();
            return false;
        case WM_DPICHANGED:
            dpi_changed(HIWORD(wparam), *reinterpret_cast<const RECT*>(lparam));
            result = 0;
            return true;
        case WM_SYSCOLORCHANGE:
            theme_changed();
            return false;
        case WM_SETTINGCHANGE:
            if (wparam == SPI_SETHIGHCONTRAST) theme_changed();
            return false;
        case WM_QUERYENDSESSION:
            // Nothing to save: the session may end.
            result = TRUE;
            return true;
        case WM_ENDSESSION:
            // Log-off or shut-down closes the window, as its close box does;
            // the process may be ended as soon as this returns.
            if (wparam) pf.end_session();
            result = 0;
            return true;
        default:
            if (msg != 0 && msg == pf.taskbar_created()) pf.restore_tray_icons(hwnd);
            return false;
    }
}

void FormWindow::paint_box(Node& n) {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(n.hwnd, &ps);
    if (n.control && n.kind == Kind::PictureBox && n.control->picture() != IconId::None) {
        if (HICON icon = pf.icon(n.control->picture(), ::MulDiv(32, static_cast<int>(dpi), 96)))
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
    if (n.control && pf.is_tray_callback(n.hwnd, msg, wparam)) {
        // The tray reports the mouse message in place of a coordinate.
        n.control->form().user_tray_message(*n.control, LOWORD(lparam));
        result = 0;
        return true;
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
            ::FillRect(reinterpret_cast<HDC>(wparam), &r, pf.brush(back, COLOR_BTNFACE));
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
            if (form && n.control) form->user_dbl_click(*n.control);
            result = 0;
            return true;
        default:
            return false;
    }
}

}  // namespace tk::win32
