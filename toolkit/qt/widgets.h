// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The widgets drawn for the form model's controls. Each keeps a pointer to
// its control while the peer lives; the peer's end clears it, so a widget
// that waits for its deferred deletion never reaches the model.
#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QRect>
#include <QString>
#include <QWidget>

#include <cmath>

#include "toolkit/control.h"
#include "toolkit/units.h"

namespace tk::qt {

// Qt scales logical pixels to the screen.
inline int px(double twips) { return static_cast<int>(std::lround(twips / kTwipsPerPixel)); }
// Edges rounded, not sizes, so boxes laid side by side leave no gap.
QRect px_rect(const Control& c);
QColor qcolor(Color c);
Color tk_color(const QColor& c);

// A widget that reports left clicks and double-clicks to its control; the
// model decides what they do.
class ControlWidget : public QWidget {
public:
    explicit ControlWidget(QWidget* parent) : QWidget(parent) {}
    Control* control = nullptr;

protected:
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
};

// The form's client area, below its menu bar. The form takes double-clicks
// only; a plain click goes on to the window.
class ClientArea : public ControlWidget {
public:
    explicit ClientArea(QWidget* parent) : ControlWidget(parent) {}

protected:
    void mouseReleaseEvent(QMouseEvent* e) override { QWidget::mouseReleaseEvent(e); }
};

// One line of plain text, left-aligned or centred, clipped by the box.
class LabelBox : public ControlWidget {
public:
    explicit LabelBox(QWidget* parent) : ControlWidget(parent) {}
    // False when the text was already this.
    bool set_text(const QString& text);
    const QString& text() const { return text_; }
    void set_alignment(Qt::Alignment a) { align_ = a; }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QString text_;
    Qt::Alignment align_ = Qt::AlignLeft;
};

// A captioned frame whose line runs through the middle of its caption, as
// the layout assumes: children start just below the caption's top.
class FrameBox : public ControlWidget {
public:
    // The caption stands 9 pixels in and leaves 3 free at the right.
    static constexpr int kCaptionInset = 14;
    explicit FrameBox(QWidget* parent) : ControlWidget(parent) {}
    bool set_title(const QString& title);
    const QString& title() const { return title_; }
    // Where the caption is drawn, in the frame's pixels; empty without one.
    QRect caption_rect() const;

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QString title_;
};

// A filled box with an optional single border and picture; its children sit
// in an inner area inside the border and are clipped by it.
class PictureBoxWidget : public ControlWidget {
public:
    explicit PictureBoxWidget(QWidget* parent);
    QWidget* inner() const { return inner_; }
    void update_from(const Control& c, const QIcon& picture);

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void place_inner();
    QWidget* inner_;
    QColor back_;
    bool has_back_ = false;
    bool border_ = false;
    QIcon picture_;
};

}  // namespace tk::qt
