// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/qt/widgets.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

#include <algorithm>

#include "toolkit/contrast.h"
#include "toolkit/form.h"

namespace tk::qt {
namespace {

constexpr int kBorderPx = 1;  // the single border of a box

bool left_button(const QMouseEvent* e) { return e->button() == Qt::LeftButton; }

}  // namespace

QRect px_rect(const Control& c) {
    const int x0 = px(c.left()), y0 = px(c.top());
    const int x1 = px(c.left() + c.width()), y1 = px(c.top() + c.height());
    return QRect(x0, y0, std::max(0, x1 - x0), std::max(0, y1 - y0));
}

QColor qcolor(Color c) { return QColor((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF); }
Color tk_color(const QColor& c) { return rgb(c.red(), c.green(), c.blue()); }

// A click counts only where the button comes up inside the box.
void ControlWidget::mouseReleaseEvent(QMouseEvent* e) {
    if (!control || !left_button(e) || !rect().contains(e->position().toPoint())) return;
    control->form().user_click(desktop_key(), *control);
}

void ControlWidget::mouseDoubleClickEvent(QMouseEvent* e) {
    if (!control || !left_button(e)) return;
    control->form().user_dbl_click(desktop_key(), *control);
}

bool LabelBox::set_text(const QString& text) {
    if (text == text_) return false;
    text_ = text;
    update();
    return true;
}

void LabelBox::paintEvent(QPaintEvent*) {
    if (text_.isEmpty()) return;
    QPainter p(this);
    // A fixed colour laid out for a light window is lightened on a dark one.
    const Color text = tk_color(palette().color(QPalette::WindowText));
    const Color back = tk_color(palette().color(QPalette::Window));
    p.setPen(qcolor(readable_text(text, back)));
    p.drawText(rect(), static_cast<int>(align_ | Qt::AlignTop | Qt::TextSingleLine), text_);
}

bool FrameBox::set_title(const QString& title) {
    if (title == title_) return false;
    title_ = title;
    update();
    return true;
}

void FrameBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QFontMetrics fm(font());
    const int line = fm.height() / 2;
    const QRect box = rect().adjusted(0, line, -2, -2);
    // An etched line: shadow, with light one pixel below and right.
    p.setPen(palette().color(QPalette::Light));
    p.drawRect(box.translated(1, 1));
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(box);
    if (title_.isEmpty()) return;
    const QRect text_rect = caption_rect();
    p.fillRect(text_rect, palette().color(QPalette::Window));
    p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    p.drawText(text_rect.adjusted(1, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextShowMnemonic, title_);
}

QRect FrameBox::caption_rect() const {
    if (title_.isEmpty()) return {};
    const QFontMetrics fm(font());
    return {8, 0, std::min(fm.horizontalAdvance(title_) + 2, std::max(0, width() - 12)), fm.height()};
}

PictureBoxWidget::PictureBoxWidget(QWidget* parent) : ControlWidget(parent), inner_(new QWidget(this)) {}

void PictureBoxWidget::update_from(const Control& c, const QIcon& picture) {
    has_back_ = c.back_color() != kDefaultColor;
    back_ = has_back_ ? qcolor(c.back_color()) : QColor();
    border_ = c.border();
    picture_ = picture;
    // A filled box paints every pixel itself: nothing to erase first.
    setAttribute(Qt::WA_OpaquePaintEvent, has_back_);
    place_inner();
    update();
}

void PictureBoxWidget::place_inner() {
    const int b = border_ ? kBorderPx : 0;
    inner_->setGeometry(b, b, std::max(0, width() - 2 * b), std::max(0, height() - 2 * b));
}

void PictureBoxWidget::resizeEvent(QResizeEvent*) { place_inner(); }

void PictureBoxWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int b = border_ ? kBorderPx : 0;
    // The border as filled whole pixels: a line drawn with a pen straddles
    // the pixel grid at scale 2 and leaves the fill showing at the edge.
    if (border_) p.fillRect(rect(), palette().color(QPalette::Shadow));
    p.fillRect(rect().adjusted(b, b, -b, -b), has_back_ ? back_ : palette().color(QPalette::Window));
    // Drawn from the image made for the screen's scale (32 or 64 pixels).
    if (!picture_.isNull()) picture_.paint(&p, QRect(b, b, 32, 32));
    if (hasFocus()) {
        // Tab reached the box: show it, as a button shows its focus.
        QStyleOptionFocusRect opt;
        opt.initFrom(this);
        opt.rect = rect().adjusted(b, b, -b, -b);
        opt.backgroundColor = has_back_ ? back_ : palette().color(QPalette::Window);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &opt, &p, this);
    }
}

}  // namespace tk::qt
