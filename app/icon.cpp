#include "app/icon.h"

#include <QPixmap>

#include "app/zuroruve.xpm"

namespace app {

QIcon ProgramIcon() {
    return QIcon(QPixmap(zuroruve_xpm));
}

} // namespace app
