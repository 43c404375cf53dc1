#pragma once
// Writing files so that what is written is whole and stays: through a temporary file and a
// rename, flushed to the device, never through a link.

#include <QByteArray>
#include <QString>

namespace files {

/// Writes bytes as the file at path under a temporary name, renamed when complete, so a failed
/// write never leaves a shortened file under the real name; a link at path is replaced, its
/// target untouched. Returns why it failed, or nothing; step tells whether creating or writing
/// failed.
QString writeWhole(const QString& path, const QByteArray& bytes, QString& step);

} // namespace files
