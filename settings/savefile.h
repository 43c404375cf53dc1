#pragma once
// Replacing a file whole: written under a temporary name and renamed into place only when all of
// it is on the disk, so a failed write leaves the old file, never a short one.

#include <QString>

class QIODevice;
class QSaveFile;

namespace settings {

/// The description of the error a device's last read or write ran into. Qt leaves "Unknown
/// error" after some failed writes (a full disk among them); the system's own text is used then.
QString errorText(const QIODevice& device);

/// Opens file for writing. A name that is a FIFO, a device or a folder is refused: the rename
/// would put a regular file in its place. False with why otherwise.
bool openToReplace(QSaveFile& file, QString& why);

/// Writes out what is still buffered, then renames the file into place. QSaveFile's commit alone
/// reports success when that last write fails (a full disk) and leaves a short file behind.
bool commitWhole(QSaveFile& file, QString& why);

} // namespace settings
