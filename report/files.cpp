#include "report/files.h"

#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QSaveFile>
#include <cerrno>
#include <cstring>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace report {

QString errorText(const QIODevice& device) {
    const int systemError = errno;
    const QString text = device.errorString();
    if ((text.isEmpty() || text == QLatin1String("Unknown error")) && systemError != 0)
        return QString::fromLocal8Bit(std::strerror(systemError));
    return text;
}

QString writeWhole(const QString& path, const QByteArray& bytes, QString& step) {
    QSaveFile file(path);
    step = QStringLiteral("create");
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    step = QStringLiteral("write");
    if (file.write(bytes) != bytes.size()) {
        const QString why = errorText(file);
        file.cancelWriting();
        return why;
    }
    return file.commit() ? QString() : file.errorString();
}

bool syncToDevice(const QString& path) {
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
#else
    // A folder there has nothing to flush of its own; a file is flushed through a handle open
    // for writing.
    if (QFileInfo(path).isDir())
        return true;
    QFile file(path);
    return file.open(QIODevice::ReadWrite) && file.flush();
#endif
}

} // namespace report
