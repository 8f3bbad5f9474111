#include "toolkit/qt/icons.h"

#include <QPixmap>

#include "res/file16.xpm"
#include "res/file32.xpm"
#include "res/window32.xpm"

namespace tk::qt::icons {

QIcon window() { return QIcon(QPixmap(window32_xpm)); }

QIcon file() {
    QIcon icon;
    icon.addPixmap(QPixmap(file16_xpm));
    icon.addPixmap(QPixmap(file32_xpm));
    return icon;
}

}  // namespace tk::qt::icons
