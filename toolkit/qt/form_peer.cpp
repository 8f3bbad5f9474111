// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/qt/form_peer.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

#include "toolkit/units.h"

namespace tk::qt {
namespace {

// A disabled window takes no input but keeps its look, as while a box of
// the program is open over it: no greying out of every caption.
void set_window_enabled(QWidget& w, bool on) {
    if (on == w.isEnabled()) return;
    if (on) {
        w.setPalette(QPalette());
    } else {
        QPalette pal = w.palette();
        for (int role = 0; role < QPalette::NColorRoles; ++role) {
            const auto r = static_cast<QPalette::ColorRole>(role);
            pal.setColor(QPalette::Disabled, r, pal.color(QPalette::Active, r));
        }
        w.setPalette(pal);
    }
    w.setEnabled(on);
}

// The window of the form a box without a task-bar entry belongs to.
QWidget* owner_window(const Form& form) {
    Form* owner = form.owner_form();
    auto* peer = owner ? dynamic_cast<FormPeer*>(owner->peer(desktop_key())) : nullptr;
    return peer ? peer->window() : nullptr;
}

}  // namespace

FormPeer::FormPeer(BackendState& s, Form& f, FormWindow* window) : WidgetPeer(s, f, window) {
    window->setWindowTitle(QString::fromStdString(f.caption()));
    window->setWindowIcon(state_.icon(f.icon()));
    set_window_enabled(*window, f.enabled());
    apply_colors();
    apply_font();
}

FormPeer::~FormPeer() {
    // This can run inside a handler of one of the window's own widgets: hide
    // now, delete once the event loop is back.
    if (FormWindow* w = window()) {
        w->form = nullptr;
        w->client()->control = nullptr;
        w->hide();
        w->deleteLater();
    }
}

FormWindow* FormPeer::window() const { return static_cast<FormWindow*>(widget_.data()); }

QWidget* FormPeer::container() const { return window() ? window()->client() : nullptr; }

void FormPeer::fit_window() {
    FormWindow* w = window();
    if (!w) return;
    const Form& f = static_cast<const Form&>(control_);
    w->resize(px(f.client_width()), w->height());
    const QSize size(px(f.client_width()), px(f.client_height()) + w->menu_bar_height());
    if (f.border_style == BorderStyle::FixedDialog)
        w->setFixedSize(size);
    else
        w->resize(size);  // sizable, but the controls keep their laid-out places
    // Until the window shows, its outer bounds come from the frame last seen.
    const QMargins m = state_.frame;
    Form& form = static_cast<Form&>(control_);
    form.sync_bounds(desktop_key(), form.left(), form.top(), (size.width() + m.left() + m.right()) * kTwipsPerPixel,
                     (size.height() + m.top() + m.bottom()) * kTwipsPerPixel);
}

void FormPeer::changed(Prop what) {
    FormWindow* w = window();
    if (!w) return;
    auto& f = static_cast<Form&>(control_);
    switch (what) {
        case Prop::Caption: w->setWindowTitle(QString::fromStdString(f.caption())); break;
        case Prop::Enabled: set_window_enabled(*w, f.enabled()); break;
        case Prop::Visible:
            if (f.visible())
                show_window();
            else
                w->hide();
            break;
        case Prop::WindowState:
            if (f.visible()) show_window();
            break;
        case Prop::Geometry:
            // The model places the window's outer frame; its size stays the laid-out one.
            w->move(px(f.left()), px(f.top()));
            w->placed = true;
            break;
        case Prop::Colors: {
            QWidget* client = w->client();
            client->setPalette(QPalette());
            if (f.back_color() != kDefaultColor) {
                QPalette pal = client->palette();
                pal.setColor(QPalette::Window, qcolor(f.back_color()));
                client->setPalette(pal);
            }
            client->setAutoFillBackground(f.back_color() != kDefaultColor);
            break;
        }
        case Prop::Picture: w->setWindowIcon(state_.icon(f.icon())); break;
        case Prop::Font: apply_font(); break;
        case Prop::Checked: break;
    }
}

void FormPeer::show_window() {
    FormWindow* w = window();
    auto& f = static_cast<Form&>(control_);
    if (!w->placed) {
        w->placed = true;
        if (f.start_centered) {
            const QMargins m = state_.frame;
            const QSize outer = w->size().grownBy(m);
            const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
            w->move(static_cast<int>(centred_start(screen.x(), screen.width(), outer.width())),
                    static_cast<int>(centred_start(screen.y(), screen.height(), outer.height())));
        } else {
            w->move(px(f.left()), px(f.top()));
        }
        // The first control in the tab order has the focus when the window opens.
        if (Control* c = f.first_focus())
            if (QWidget* b = peer_widget(*c)) b->setFocus(Qt::OtherFocusReason);
    }
    if (!f.show_in_taskbar) {
        // A box without a task-bar entry belongs to the program's main window.
        w->winId();
        QWidget* owner = owner_window(f);
        if (owner && owner->windowHandle() && w->windowHandle()) {
            w->windowHandle()->setTransientParent(owner->windowHandle());
            // Where a program cannot place its windows (Wayland), compositors
            // centre a modal dialog on its parent; elsewhere the model's
            // place stands and the owner is disabled by the model anyway.
            if (!w->isVisible() && QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
                w->setWindowModality(Qt::WindowModal);
        }
    }
    const bool wayland = QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    if (f.minimized()) {
        // Qt forgets the state at the compositor's next configure, which
        // never says minimised: the window keeps the record.
        w->minimised_unseen = wayland;
        w->showMinimized();
        return;
    }
    if (wayland && w->minimised()) {
        // A Wayland client cannot take its window out of the minimised state
        // (compositors ignore it): mapping it afresh brings it back.
        w->minimised_unseen = false;
        w->hide();
        w->setWindowState(w->windowState() & ~Qt::WindowMinimized);
        w->show();
    } else if (w->isMinimized()) {
        w->showNormal();
    } else {
        w->show();
    }
    w->raise();
    w->activateWindow();
}

}  // namespace tk::qt
