#pragma once
// Words the viewer shows in many places: its name, and counts in words ("1 file", "2 files"),
// so that every text gets its plural right.

#include <QString>

namespace view {
inline namespace model {

/// The viewer's name in titles, as the desktop and the Start menu name it.
inline const QString kViewerName = QStringLiteral("ZELM Report Viewer");

/// n and the noun in its number: counted(1, "file", "files") is "1 file".
inline QString counted(qint64 n, const char* one, const char* many) {
    return QString::number(n) + u' ' + QString::fromUtf8(n == 1 ? one : many);
}

} // namespace model
} // namespace view
