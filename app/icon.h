#pragma once

#include <QIcon>

namespace app {

/// The window icon, drawn in app/zuroruve.xpm.
QIcon programIcon();

} // namespace app
