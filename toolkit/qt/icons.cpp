// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/qt/icons.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>

#include "res/file16.xpm"
#include "res/file32.xpm"
#include "res/window32.xpm"

namespace tk::qt::icons {

QImage at_size(const QImage& source, int size) {
    // A whole number of screen pixels per source pixel keeps the pixel art
    // crisp; what that leaves over stays transparent around it.
    const int factor = std::max(1, size / std::max(source.width(), source.height()));
    const QImage scaled = source.scaled(source.size() * factor, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    if (scaled.size() == QSize(size, size)) return scaled.convertToFormat(QImage::Format_ARGB32);
    QImage out(size, size, QImage::Format_ARGB32);
    out.fill(Qt::transparent);
    QPainter p(&out);
    p.drawImage((size - scaled.width()) / 2, (size - scaled.height()) / 2, scaled);
    return out;
}

namespace {

// Each size from the largest source that scales to it by a whole number.
QIcon from(std::initializer_list<const char* const*> sources) {
    std::vector<QImage> images;
    for (const char* const* xpm : sources) images.emplace_back(xpm);
    QIcon icon;
    for (int size : {16, 32, 48, 64}) {
        const QImage* best = nullptr;
        for (const QImage& image : images) {
            if (image.width() > size) continue;
            const bool whole = size % image.width() == 0;
            const bool best_whole = best && size % best->width() == 0;
            if (!best || (whole && !best_whole) || (whole == best_whole && image.width() > best->width()))
                best = &image;
        }
        if (best) icon.addPixmap(QPixmap::fromImage(at_size(*best, size)));
    }
    return icon;
}

}  // namespace

QIcon window() { return from({window32_xpm}); }

QIcon file() { return from({file16_xpm, file32_xpm}); }

}  // namespace tk::qt::icons
