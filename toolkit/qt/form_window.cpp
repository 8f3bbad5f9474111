// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/qt/form_window.h"

#include <QCloseEvent>
#include <QKeyEvent>

#include <algorithm>

#include "toolkit/qt/peers.h"
#include "toolkit/units.h"

namespace tk::qt {

QWidget* peer_widget(const Control& c) {
    auto* p = dynamic_cast<WidgetPeer*>(c.peer(desktop_key()));
    return p ? p->widget() : nullptr;
}

FormWindow::FormWindow(BackendState& state, Form& f)
    : QWidget(nullptr, f.border_style == BorderStyle::FixedDialog
                               ? Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                     Qt::WindowCloseButtonHint
                               : Qt::Window),
      form(&f),
      state_(state),
      client_(new ClientArea(this)) {
    client_->control = &f;
}

QMenuBar* FormWindow::menu_bar() {
    if (!bar_) {
        bar_ = new QMenuBar(this);
        lay_out();
    }
    return bar_;
}

int FormWindow::menu_bar_height() const {
    if (!bar_ || bar_->isHidden()) return 0;
    const int h = bar_->heightForWidth(width());
    return h > 0 ? h : bar_->sizeHint().height();
}

void FormWindow::lay_out() {
    const int bar = menu_bar_height();
    if (bar_ && !bar_->isHidden()) bar_->setGeometry(0, 0, width(), bar);
    // The client area keeps its place below the bar whatever the window's size.
    client_->setGeometry(0, bar, std::max(width(), 1), std::max(height() - bar, 1));
}

void FormWindow::changeEvent(QEvent* e) {
    QWidget::changeEvent(e);
    // An active window is not minimised, whatever was asked of it before.
    if (e->type() == QEvent::ActivationChange && isActiveWindow()) minimised_unseen = false;
    // The user or the window manager minimised or restored the window.
    if ((e->type() == QEvent::WindowStateChange || e->type() == QEvent::ActivationChange) && form && isVisible())
        form->sync_minimized(desktop_key(), minimised());
}

void FormWindow::closeEvent(QCloseEvent* e) {
    // The close box asks the model; the window goes only if the form unloads.
    e->ignore();
    if (form) form->user_close(desktop_key());
}

void FormWindow::keyPressEvent(QKeyEvent* e) {
    if (!form || e->isAutoRepeat() || (e->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
        QWidget::keyPressEvent(e);
        return;
    }
    const bool enter = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
    const bool escape = e->key() == Qt::Key_Escape;
    if (!enter && !escape) {
        QWidget::keyPressEvent(e);
        return;
    }
    const QWidget* focused = focusWidget();
    const Control* focused_control = nullptr;
    for (Control* c : form->controls())
        if (focused && peer_widget(*c) == focused) focused_control = c;
    if (!form->user_key(desktop_key(), enter ? Key::Enter : Key::Escape, focused_control)) {
        QWidget::keyPressEvent(e);
        return;
    }
    e->accept();
}

void FormWindow::moveEvent(QMoveEvent* e) {
    QWidget::moveEvent(e);
    report_bounds();
}

void FormWindow::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    lay_out();
    report_bounds();
}

void FormWindow::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    report_bounds();
}

void FormWindow::report_bounds() {
    if (!form || !isVisible()) return;
    const QRect outer = frameGeometry(), inner = geometry();
    if (outer != inner)
        state_.frame = QMargins(inner.left() - outer.left(), inner.top() - outer.top(),
                                outer.right() - inner.right(), outer.bottom() - inner.bottom());
    form->sync_bounds(desktop_key(), outer.x() * kTwipsPerPixel, outer.y() * kTwipsPerPixel,
                      outer.width() * kTwipsPerPixel, outer.height() * kTwipsPerPixel);
}

}  // namespace tk::qt
