// SPDX-License-Identifier: GPL-3.0-or-later
// Build tool: writes an XPM icon as PNG for the desktop's icon theme,
// optionally at a larger size by a whole-number scale.
#include <QImage>

#include <cstdio>
#include <cstdlib>

#include "toolkit/qt/icons.h"

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: %s in.xpm out.png [size]\n", argv[0]);
        return 2;
    }
    QImage image(QString::fromLocal8Bit(argv[1]), "XPM");
    if (!image.isNull() && argc == 4) image = tk::qt::icons::at_size(image, std::atoi(argv[3]));
    if (image.isNull() || !image.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "%s: cannot convert %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
