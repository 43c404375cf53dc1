#include "files/regularfile.h"

#include <QDir>
#include <QFileInfo>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace files {

bool openRegularFile(QFile& file, const QString& path, ReadStatus& status, QString& why) {
    const QFileInfo info(path); // follows links
    if (!info.exists()) {
        status = ReadStatus::Missing;
        why = QStringLiteral("no such file");
        return false;
    }
#ifdef Q_OS_UNIX
    // Non-blocking, so a FIFO cannot hold the open; then the opened file itself is checked, so a
    // name swapped between a look and the open cannot slip a device in.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        status = errno == ENOENT ? ReadStatus::Missing : ReadStatus::Failed;
        why = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        status = ReadStatus::NotRegular;
        why = QStringLiteral("not a regular file");
        return false;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    file.setFileName(path);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        status = ReadStatus::Failed;
        why = file.errorString();
        return false;
    }
#else
    if (!info.isFile()) {
        status = ReadStatus::NotRegular;
        why = QStringLiteral("not a regular file");
        return false;
    }
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly)) {
        status = ReadStatus::Failed;
        why = file.errorString();
        return false;
    }
#endif
    status = ReadStatus::Ok;
    return true;
}

FileRead readRegularFile(const QString& path, qint64 maxBytes) {
    FileRead read;
    QFile file;
    if (!openRegularFile(file, path, read.status, read.why))
        return read;
    if (file.size() > maxBytes) {
        read.status = ReadStatus::TooLarge;
        read.why = QStringLiteral("larger than %1 bytes").arg(maxBytes);
        return read;
    }
    // One byte more than allowed tells a file that grew since its size was read.
    read.bytes = file.read(maxBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        read.status = ReadStatus::Failed;
        read.why = file.errorString();
        read.bytes.clear();
    } else if (read.bytes.size() > maxBytes) {
        read.status = ReadStatus::TooLarge;
        read.why = QStringLiteral("larger than %1 bytes").arg(maxBytes);
        read.bytes.clear();
    }
    return read;
}

bool fileIdOf(const QString& path, FileId& id) {
#ifdef Q_OS_UNIX
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    id = {quint64(st.st_dev), quint64(st.st_ino)};
    return true;
#else
    // Opened for no access, which a folder and a file in use by another program allow too.
    const HANDLE handle =
        CreateFileW(reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(path).utf16()), 0,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = GetFileInformationByHandle(handle, &info);
    CloseHandle(handle);
    if (!known)
        return false;
    id = {info.dwVolumeSerialNumber,
          quint64(info.nFileIndexHigh) << 32 | quint64(info.nFileIndexLow)};
    return true;
#endif
}

bool sameFile(const QString& a, const QString& b) {
    FileId idA, idB;
    if (fileIdOf(a, idA) && fileIdOf(b, idB))
        return idA == idB;
    // Where the system gives no id, the names with links and ".." resolved.
    const QString canonical = QFileInfo(a).canonicalFilePath();
    return !canonical.isEmpty() && canonical.compare(QFileInfo(b).canonicalFilePath(),
#ifdef Q_OS_WIN
                                                     Qt::CaseInsensitive
#else
                                                     Qt::CaseSensitive
#endif
                                                     ) == 0;
}

} // namespace files
