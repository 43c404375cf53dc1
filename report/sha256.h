#pragma once
// The SHA-256 of a file, as sha256sum gives it: for the journal of the kept reports, their check
// and the files a printed report names. With the processor's SHA instructions where it has
// them, about ten times as fast as Qt's own (a year of kept downloads is a hundred megabytes),
// else with Qt's.

#include <QByteArray>
#include <QString>

class QIODevice;

namespace report {

/// The SHA-256 (32 bytes) of what in holds from its position to its end, read a piece at a
/// time; empty when it cannot be read.
QByteArray sha256(QIODevice& in);

/// The SHA-256 of the regular file at path in hexadecimal, as sha256sum writes it; empty with
/// why when it cannot be read.
QString sha256Of(const QString& path, QString& why);

} // namespace report
