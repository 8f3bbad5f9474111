// SPDX-License-Identifier: GPL-3.0-or-later
// A form's top-level window: a plain window, or a dialog for a fixed-dialog
// form. It makes the windows of the controls and menus, shows the form as the
// model says, and hands the user's input and the system's news to the form.
#include "toolkit/win32/form_window.h"

#include "toolkit/accessible.h"
#include "toolkit/os/windows/text.h"
#include "toolkit/win32/colours.h"
#include "toolkit/win32/dpi.h"
#include "toolkit/win32/shortcuts.h"
#include "toolkit/win32/tray.h"

namespace tk::win32 {
namespace {

constexpr UINT kFirstChildId = 100;  // clear of IDOK and IDCANCEL
constexpr UINT kFirstMenuId = 1000;
constexpr UINT kGetDpiScaledSize = 0x02E4;  // WM_GETDPISCALEDSIZE, Windows 10 1703

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

// The top-level window of the form that a window without a task-bar button
// belongs to.
HWND owner_window(const Form& form) {
    const Form* owner = form.owner_form();
    const auto* peer = owner ? dynamic_cast<const WinPeer*>(owner->peer(desktop_key())) : nullptr;
    return peer ? peer->node().hwnd : nullptr;
}

}  // namespace

void register_window_classes(HINSTANCE inst) {
    register_class(inst, kFormClass, form_proc, reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1)));
    // Containers and boxes paint their own background in their own colour.
    register_class(inst, kFrameClass, child_proc, nullptr);
    register_class(inst, kBoxClass, child_proc, nullptr);
}

// --- the form's windows --------------------------------------------------------

FormWindow::FormWindow(const WindowContext& c, Form& f) : context(c), res(c.resources), form(&f) {}

FormWindow::~FormWindow() {
    dying = true;
    if (annotations_)
        for (auto& n : nodes_) {
            if (n->described) annotations_->forget(n->hwnd);
            if (n->inner) annotations_->forget(n->inner);
        }
    if (hwnd) {
        ::SetMenu(hwnd, nullptr);
        ::DestroyWindow(hwnd);
    }
    destroy_menus();
    for (auto& n : nodes_) n->fw = nullptr;
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
    if (context.tray && context.tray->taskbar_created())
        ::ChangeWindowMessageFilterEx(hwnd, context.tray->taskbar_created(), MSGFLT_ALLOW, nullptr);

    auto top = std::make_unique<Node>();
    top->control = form;
    top->fw = this;
    top->kind = Kind::Form;
    top->hwnd = hwnd;
    by_hwnd_[hwnd] = top.get();
    by_control_[form] = top.get();
    form->set_peer(desktop_key(), std::make_unique<WinPeer>(*top));
    nodes_.push_back(std::move(top));

    UINT next_child = kFirstChildId, next_menu = kFirstMenuId;
    // Parents come before their children in the form's list.
    for (Control* c : form->controls()) {
        if (c->kind() == Kind::Menu) {
            add_menu(*c, next_menu++);
        } else {
            create_child(*c, next_child++);
        }
    }
    fill_menus();
    put_in_reading_order(*form);
    // A group box must lie under what it frames, or its siblings would be
    // clipped away by it.
    for (auto& n : nodes_)
        if (n->inner) ::SetWindowPos(n->inner, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    for (auto& n : nodes_) keep_drawing_order(*n);
    set_icons();
    size_and_place();
    sync();
}

void FormWindow::put_in_reading_order(const Control& parent) {
    // Screen readers and the dialog manager go through a window's children in
    // z-order, and a window made later starts below those made before it.
    std::vector<Control*> windows;
    for (Control* c : parent.children())
        if (const Node* n = node_of(c); n && n->hwnd && n->kind != Kind::Menu) windows.push_back(c);
    HWND after = HWND_TOP;
    for (Control* c : reading_order(windows)) {
        if (drawn_only(*c)) break;  // a bar's boxes keep the order they are drawn in
        const HWND h = node_of(c)->hwnd;
        ::SetWindowPos(h, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        after = h;
    }
    for (Control* c : windows) put_in_reading_order(*c);
}

void FormWindow::create_top() {
    const std::wstring title = os::widen(form->caption());
    HWND owner = owner_window(*form);
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
        ::CreateDialogIndirectParamW(res.instance(), &tpl.head, owner, dialog_proc, reinterpret_cast<LPARAM>(this));
        if (hwnd) {
            keep_dialog_layout(hwnd);
            ::SetWindowTextW(hwnd, title.c_str());
        }
        return;
    }
    DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | (form->enabled() ? 0 : WS_DISABLED);
    ::CreateWindowExW(0, kFormClass, title.c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT, 100, 100, owner,
                      nullptr, res.instance(), this);
}

void FormWindow::forget() {
    if (!form) return;
    for (Control* c : form->controls()) c->set_peer(desktop_key(), nullptr);
    form->set_peer(desktop_key(), nullptr);
    form = nullptr;
}

void FormWindow::theme_changed() {
    high_contrast_ = high_contrast_on();
    ::RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
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
        menu_changed(n);
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
            if (n.inner) describe(n);
            describe_readers_of(c);
            break;
        case Prop::Enabled:
            ::EnableWindow(n.hwnd, c.enabled() ? TRUE : FALSE);
            if (n.inner) ::EnableWindow(n.inner, c.enabled() ? TRUE : FALSE);
            break;
        case Prop::Visible:
            ::ShowWindow(n.hwnd, c.visible() ? SW_SHOWNA : SW_HIDE);
            if (c.visible()) describe(n);
            keep_drawing_order(n);
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
    if (!::IsWindowVisible(hwnd)) catch_up_dpi();
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
            form->user_click(desktop_key(), *n->control);
        } else if (n->kind == Kind::Label) {
            if (code == STN_CLICKED) form->user_click(desktop_key(), *n->control);
            if (code == STN_DBLCLK) form->user_dbl_click(desktop_key(), *n->control);
        }
        return;
    }
    if (code == 1) {  // an accelerator
        if (const Shortcut s = shortcut_of_command(id); s != Shortcut::None) form->user_shortcut(desktop_key(), s);
        return;
    }
    if (id == IDOK || id == IDCANCEL) {
        // Enter or Esc with no button of that id: the default or cancel button.
        form->user_key(desktop_key(), id == IDOK ? Key::Enter : Key::Escape, nullptr);
        return;
    }
    const Node* n = node_by_id(id);
    if (n && n->control && n->kind == Kind::Menu) form->user_choose(desktop_key(), static_cast<Menu&>(*n->control));
}

bool FormWindow::handle(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) {
    if (dying) return false;
    switch (msg) {
        case WM_CLOSE:
            // The form decides; a window that is being taken down just stays.
            if (form) form->user_close(desktop_key());
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
            result = reinterpret_cast<LRESULT>(res.brush(form->back_color(), COLOR_BTNFACE));
            return true;
        case WM_ERASEBKGND:
            if (dialog || !form || form->back_color() == kDefaultColor) return false;
            {
                RECT r{};
                ::GetClientRect(hwnd, &r);
                ::FillRect(reinterpret_cast<HDC>(wparam), &r, res.brush(form->back_color(), COLOR_BTNFACE));
            }
            result = 1;
            return true;
        case WM_LBUTTONDBLCLK:
            if (form) form->user_dbl_click(desktop_key(), *form);
            result = 0;
            return true;
        case WM_SIZE:
            // The user (or the task bar) minimised or restored the window.
            if (form && (wparam == SIZE_MINIMIZED || wparam == SIZE_RESTORED || wparam == SIZE_MAXIMIZED))
                form->sync_minimized(desktop_key(), wparam == SIZE_MINIMIZED);
            sync();
            return false;
        case WM_MOVE:
            sync();
            return false;
        case kGetDpiScaledSize:
            // The size for the new DPI comes from the layout, so the client
            // area is exact there.
            if (!form) return false;
            *reinterpret_cast<SIZE*>(lparam) = window_size_at(LOWORD(wparam));
            result = TRUE;
            return true;
        case WM_DPICHANGED:
            dpi_changed(HIWORD(wparam), *reinterpret_cast<const RECT*>(lparam));
            result = 0;
            return true;
        case WM_DISPLAYCHANGE:
            // The tray's scale may have changed with the display's.
            if (context.tray) context.tray->scale_changed();
            return false;
        case WM_SYSCOLORCHANGE:
            theme_changed();
            return false;
        case WM_SETTINGCHANGE:
            if (wparam == SPI_SETHIGHCONTRAST) theme_changed();
            if (context.tray) context.tray->scale_changed();
            return false;
        case WM_QUERYENDSESSION:
            // Nothing to save: the session may end.
            result = TRUE;
            return true;
        case WM_ENDSESSION:
            // Log-off or shut-down closes the window, as its close box does;
            // the process may be ended as soon as this returns.
            if (wparam && context.end_session) context.end_session();
            result = 0;
            return true;
        default:
            if (context.tray && msg != 0 && msg == context.tray->taskbar_created()) context.tray->restore(hwnd);
            return false;
    }
}
}  // namespace tk::win32
