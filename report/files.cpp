#include "report/files.h"

#include "settings/savefile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace report {

QString writeWhole(const QString& path, const QByteArray& bytes, QString& step) {
    QSaveFile file(path);
    QString why;
    step = QStringLiteral("create");
    if (!settings::openToReplace(file, why))
        return why;
    step = QStringLiteral("write");
    if (file.write(bytes) != bytes.size()) {
        why = settings::errorText(file);
        file.cancelWriting();
        return why;
    }
    return settings::commitWhole(file, why) ? QString() : why;
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
