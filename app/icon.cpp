#include "app/icon.h"

#include <QPixmap>

#include "app/zuroruve.xpm"

namespace app {

QIcon programIcon() {
    return QIcon(QPixmap(zuroruve_xpm));
}

} // namespace app
