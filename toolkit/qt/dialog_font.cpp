// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/qt/dialog_font.h"

#include <QApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QStyle>

#include <algorithm>

#include "toolkit/qt/widgets.h"

namespace tk::qt {
namespace {

constexpr char kDialogFamily[] = "Liberation Sans";
constexpr double kDialogPoints = 8;  // the size the layout was made for
constexpr double kSmallestPoints = 6;

// Whether a control's caption shows whole in the box laid out for it.
bool caption_fits(const Control& c, const QFont& font) {
    if (c.caption().empty()) return true;
    const QFontMetrics fm(font);
    const QString text = QString::fromStdString(c.caption());
    const QRect box = px_rect(c);
    const int width = fm.size(Qt::TextSingleLine | Qt::TextShowMnemonic, text).width();
    switch (c.kind()) {
        case Kind::Label: return width <= box.width() && fm.height() <= box.height();
        case Kind::Frame: return width + FrameBox::kCaptionInset <= box.width();
        case Kind::CommandButton: {
            const QStyle* style = QApplication::style();
            const int margin = 2 * (style->pixelMetric(QStyle::PM_ButtonMargin) +
                                    style->pixelMetric(QStyle::PM_DefaultFrameWidth));
            return width + margin <= box.width() && fm.height() + margin / 2 <= box.height();
        }
        default: return true;
    }
}

}  // namespace

QFont dialog_font() {
    QFont font = QApplication::font();
    QFont liberation = font;
    liberation.setFamilies({QString::fromLatin1(kDialogFamily)});
    if (QFontInfo(liberation).family() == QLatin1String(kDialogFamily)) font = liberation;
    font.setPointSizeF(kDialogPoints);
    return font;
}

double fit_dialog_font(const Form& form) {
    // A wider face (the desktop's, or any face at a higher font DPI) gets the
    // largest quarter-point size at which every caption in the dialog font
    // fits; the sizes laid out for other faces shrink by as much.
    QFont font = QApplication::font();
    // Captions in a laid-out size of their own are measured at that size,
    // scaled as the dialog font is.
    auto all_fit = [&](const QFont& f) {
        return std::all_of(form.controls().begin(), form.controls().end(), [&](const Control* c) {
            const Font& own = c->font();
            if (own.face.empty() || own.points <= 0) return caption_fits(*c, f);
            QFont sized = f;
            sized.setPointSizeF(own.points * f.pointSizeF() / kDialogPoints);
            sized.setWeight(static_cast<QFont::Weight>(std::clamp(own.weight, 1, 1000)));
            return caption_fits(*c, sized);
        });
    };
    double points = font.pointSizeF();
    while (points > kSmallestPoints && !all_fit(font)) {
        points -= 0.25;
        font.setPointSizeF(points);
    }
    if (font != QApplication::font()) QApplication::setFont(font);
    return points / kDialogPoints;
}

}  // namespace tk::qt
