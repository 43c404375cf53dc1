#include "settings/regularfile.h"

#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace settings {

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

} // namespace settings
