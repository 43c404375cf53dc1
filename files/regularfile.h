#pragma once
// Files the program reads but does not control (settings, reports, history inputs): only
// regular files, after following links, each within a size limit. A FIFO, a device node or
// /dev/zero behind a familiar name is refused without being opened in a way that could block.

#include <QByteArray>
#include <QFile>
#include <QString>

namespace files {

/// The settings file is small; a larger one is not a settings file.
inline constexpr qint64 kMaxSettingsBytes = 16 * 1024 * 1024;

enum class ReadStatus {
    Ok,
    Missing,    // no entry of that name (or a link that leads nowhere)
    NotRegular, // a folder, FIFO, device, socket...
    TooLarge,   // larger than the limit
    Failed,     // it could not be opened or read
};

struct FileRead {
    ReadStatus status = ReadStatus::Failed;
    QByteArray bytes; // the whole file when Ok
    QString why;      // in words, for any other status
};

/// Opens path for reading when it is a regular file: never blocks on a FIFO or device, and
/// checks what was opened, not what the name showed a moment before. False with why otherwise.
bool openRegularFile(QFile& file, const QString& path, ReadStatus& status, QString& why);

/// The whole of the regular file at path, if it holds at most maxBytes.
FileRead readRegularFile(const QString& path, qint64 maxBytes);

/// What tells one file from every other, whatever names it: its device and inode (on Windows
/// its volume and file index).
struct FileId {
    quint64 device = 0, node = 0;
    bool operator==(const FileId&) const = default;
};
/// The id of the file path names, links followed; false when there is none to look at.
bool fileIdOf(const QString& path, FileId& id);
/// True when a and b name one file that exists, directly, through a link or through another
/// folder's name for it.
bool sameFile(const QString& a, const QString& b);

} // namespace files
