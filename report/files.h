#pragma once
// Writing files so that what is written is whole and stays: through a temporary file and a
// rename, flushed to the device.

#include <QByteArray>
#include <QString>

namespace report {

/// Writes bytes as the file at path under a temporary name, renamed when complete, so a failed
/// write never leaves a shortened file under the real name. Returns why it failed, or nothing;
/// step tells whether creating or writing failed.
QString writeWhole(const QString& path, const QByteArray& bytes, QString& step);

/// Flushes a file or folder to the device, so that what was written survives a power cut: a
/// folder holds the renames that put the files in place.
bool syncToDevice(const QString& path);

} // namespace report
