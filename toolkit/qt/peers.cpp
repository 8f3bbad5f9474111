// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/qt/peers.h"

#include <QApplication>
#include <QPushButton>

#include <algorithm>

#include "toolkit/form.h"
#include "toolkit/qt/accessible.h"

namespace tk::qt {

WidgetPeer::WidgetPeer(BackendState& state, Control& control, QWidget* widget)
    : state_(state), control_(control), widget_(widget), handle_(state.new_handle()) {
    if (auto* w = dynamic_cast<ControlWidget*>(widget)) w->control = &control;
}

WidgetPeer::~WidgetPeer() {
    if (auto* w = dynamic_cast<ControlWidget*>(widget_.data())) w->control = nullptr;
    for (auto& c : connections_) QObject::disconnect(c);
}

void WidgetPeer::sync() {
    apply_geometry();
    apply_colors();
    apply_font();
    apply_caption();
    widget_->setEnabled(control_.enabled());
    widget_->setVisible(control_.visible());
}

void WidgetPeer::changed(Prop what) {
    if (!widget_) return;
    switch (what) {
        case Prop::Caption: apply_caption(); break;
        case Prop::Enabled: widget_->setEnabled(control_.enabled()); break;
        case Prop::Visible: widget_->setVisible(control_.visible()); break;
        case Prop::Geometry: apply_geometry(); break;
        case Prop::Colors: apply_colors(); break;
        case Prop::Font: apply_font(); break;
        case Prop::Picture: apply_picture(); break;
        case Prop::Checked:
        case Prop::WindowState: break;
    }
}

void WidgetPeer::apply_geometry() {
    const QRect r = px_rect(control_);
    if (widget_->geometry() != r) widget_->setGeometry(r);
}

void WidgetPeer::apply_colors() {
    // Start from what the parent gives, then set only the laid-out colours.
    widget_->setPalette(QPalette());
    const Color fore = control_.fore_color(), back = control_.back_color();
    if (fore == kDefaultColor && back == kDefaultColor) {
        widget_->setAutoFillBackground(opaque_);
        return;
    }
    // Only the laid-out roles are the widget's own; the rest still follow
    // the parent, and the theme if it changes.
    QPalette pal;
    if (fore != kDefaultColor) {
        for (auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
            pal.setColor(role, qcolor(fore));
    }
    if (back != kDefaultColor) {
        for (auto role : {QPalette::Window, QPalette::Button, QPalette::Base}) pal.setColor(role, qcolor(back));
    }
    widget_->setPalette(pal);
    widget_->setAutoFillBackground(opaque_ || back != kDefaultColor);
}

void WidgetPeer::apply_font() {
    const Font& f = control_.font();
    if (f.face.empty()) {
        // The fitted dialog font, held as the widget's own: a platform theme
        // (qt6ct, KDE's) that sets the application font later would cut
        // the captions.
        QFont font = QApplication::font();
        font.setResolveMask(QFont::AllPropertiesResolved);
        widget_->setFont(font);
        return;
    }
    // The laid-out face seldom exists here: keep the system's sans family and
    // take the size and weight.
    QFont font = QApplication::font();
    if (f.points > 0) font.setPointSizeF(f.points * state_.font_scale);
    font.setWeight(static_cast<QFont::Weight>(std::clamp(f.weight, 1, 1000)));
    // Every property its own, so a later application font cannot replace the family.
    font.setResolveMask(QFont::AllPropertiesResolved);
    widget_->setFont(font);
}

LabelPeer::LabelPeer(BackendState& s, Control& c, QWidget* parent) : WidgetPeer(s, c, new LabelBox(parent)) {
    // Opaque, as the layout's labels are: a changed figure repaints itself
    // only, not the frame and window behind it.
    opaque_ = true;
    as<LabelBox>()->set_alignment(c.alignment() == Align::Center ? Qt::AlignHCenter : Qt::AlignLeft);
    sync();
}

void LabelPeer::apply_caption() {
    if (as<LabelBox>()->set_text(QString::fromStdString(control_.caption()))) announce_caption(widget_, control_);
}

FramePeer::FramePeer(BackendState& s, Control& c, QWidget* parent) : WidgetPeer(s, c, new FrameBox(parent)) { sync(); }

void FramePeer::apply_caption() {
    if (as<FrameBox>()->set_title(QString::fromStdString(control_.caption()))) announce_caption(widget_, control_);
}

PicturePeer::PicturePeer(BackendState& s, Control& c, QWidget* parent)
    : WidgetPeer(s, c, new PictureBoxWidget(parent)) {
    sync();
}

void PicturePeer::apply_colors() {
    as<PictureBoxWidget>()->update_from(control_, state_.icon(control_.picture()));
}

QWidget* PicturePeer::container() const { return widget_ ? as<PictureBoxWidget>()->inner() : nullptr; }

ButtonPeer::ButtonPeer(BackendState& s, Control& c, QWidget* parent) : WidgetPeer(s, c, new QPushButton(parent)) {
    auto* button = as<QPushButton>();
    // Enter and Esc are the window's to route (see FormWindow::keyPressEvent).
    button->setAutoDefault(false);
    // What Enter presses is also what assistive technology calls the default
    // (with the focus on it, the button takes Enter itself, as the window would).
    button->setDefault(static_cast<CommandButton&>(c).is_default);
    sync();
    Control* target = &c;
    connections_.push_back(
        QObject::connect(button, &QPushButton::clicked, button,
                         [target] { target->form().user_click(desktop_key(), *target); }));
}

void ButtonPeer::apply_caption() { as<QPushButton>()->setText(QString::fromStdString(control_.caption())); }

}  // namespace tk::qt
