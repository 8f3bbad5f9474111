#include "toolkit/qt/widgets.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

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

// A click counts only where the button comes up inside the box.
void ControlWidget::mouseReleaseEvent(QMouseEvent* e) {
    if (!control || !left_button(e) || !rect().contains(e->position().toPoint())) return;
    control->form().user_click(*control);
}

void ControlWidget::mouseDoubleClickEvent(QMouseEvent* e) {
    if (!control || !left_button(e)) return;
    control->form().user_dbl_click(*control);
}

void LabelBox::set_text(const QString& text) {
    if (text == text_) return;
    text_ = text;
    update();
}

void LabelBox::paintEvent(QPaintEvent*) {
    if (text_.isEmpty()) return;
    QPainter p(this);
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(rect(), static_cast<int>(align_ | Qt::AlignTop | Qt::TextSingleLine), text_);
}

void FrameBox::set_title(const QString& title) {
    if (title == title_) return;
    title_ = title;
    update();
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
    const QString& caption = title_;
    if (caption.isEmpty()) return;
    const int text_width = fm.horizontalAdvance(caption);
    const QRect text_rect(8, 0, std::min(text_width + 2, std::max(0, width() - 12)), fm.height());
    p.fillRect(text_rect, palette().color(QPalette::Window));
    p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    p.drawText(text_rect.adjusted(1, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextShowMnemonic, caption);
}

PictureBoxWidget::PictureBoxWidget(QWidget* parent) : ControlWidget(parent), inner_(new QWidget(this)) {}

void PictureBoxWidget::update_from(const Control& c, const QIcon& picture) {
    has_back_ = c.back_color() != kDefaultColor;
    back_ = has_back_ ? qcolor(c.back_color()) : QColor();
    border_ = c.border();
    picture_ = picture.isNull() ? QPixmap() : picture.pixmap(QSize(32, 32));
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
    p.fillRect(rect(), has_back_ ? back_ : palette().color(QPalette::Window));
    const int b = border_ ? kBorderPx : 0;
    if (!picture_.isNull()) p.drawPixmap(b, b, picture_);
    if (border_) {
        p.setPen(palette().color(QPalette::Shadow));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

}  // namespace tk::qt
