#pragma once
// The SHA-256 of a file, as sha256sum gives it, for the files a printed report names. With the
// processor's SHA instructions where it has them, about ten times as fast as Qt's own (a year of
// kept downloads is a hundred megabytes), else with Qt's.

#include <QByteArray>

class QIODevice;

namespace view {

/// The SHA-256 (32 bytes) of what in holds from its position to its end, read a piece at a
/// time; empty when it cannot be read.
QByteArray sha256(QIODevice& in);

} // namespace view
