#include "files/savefile.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <cstring>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#include <io.h>
#include <windows.h>
#endif

namespace files {

namespace {

#ifdef Q_OS_UNIX
QString systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}
#endif

// Why the name cannot be replaced by a file, or nothing; mode: the permissions of a regular
// file there, or -1. The name is looked at, not where a link at it leads.
QString refusal(const QString& target, int& mode) {
    mode = -1;
#ifdef Q_OS_UNIX
    const QByteArray name = QFile::encodeName(target);
    struct stat st {};
    if (::lstat(name.constData(), &st) != 0)
        return errno == ENOENT ? QString() : systemError();
    if (S_ISLNK(st.st_mode))
        return {};
    if (!S_ISREG(st.st_mode))
        return QStringLiteral("not a regular file");
    // Made read-only by its owner (which root would ignore), or not ours to write.
    if ((st.st_mode & 0222) == 0 || ::access(name.constData(), W_OK) != 0)
        return QStringLiteral("the file is read-only");
    mode = int(st.st_mode & 07777);
#else
    const QFileInfo info(target);
    if (info.isSymbolicLink() || !info.exists())
        return {};
    if (!info.isFile())
        return QStringLiteral("not a regular file");
    if (!info.isWritable())
        return QStringLiteral("the file is read-only");
#endif
    return {};
}

} // namespace

QString errorText(const QIODevice& device) {
    const int systemError = errno;
    const QString text = device.errorString();
    if ((text.isEmpty() || text == QLatin1String("Unknown error")) && systemError != 0)
        return QString::fromLocal8Bit(std::strerror(systemError));
    return text;
}

WholeFile::~WholeFile() {
    cancelWriting();
}

void WholeFile::cancelWriting() {
    if (!temporary_)
        return;
    close();
    QFile::remove(path());
    temporary_ = false;
}

bool openToReplace(WholeFile& file, QString& why) {
    why = refusal(file.target_, file.mode_);
    if (!why.isEmpty())
        return false;
    // Beside the name itself, so that the rename replaces the name and not a link's target.
    const QFileInfo where(file.target_);
    for (int tries = 0; tries < 16; ++tries) {
        const QString temporary =
            QStringLiteral("%1/.%2.%3.tmp")
                .arg(where.absolutePath(), where.fileName(),
                     QString::number(QRandomGenerator::global()->generate(), 36));
        switch (createNew(file, temporary, why)) {
        case Created::Yes:
            file.temporary_ = true;
#ifdef Q_OS_UNIX
            if (file.mode_ >= 0)
                ::fchmod(file.handle(), mode_t(file.mode_));
#endif
            return true;
        case Created::Taken:
            continue;
        case Created::Failed:
            return false;
        }
    }
    why = QStringLiteral("no free temporary name");
    return false;
}

bool commitWhole(WholeFile& file, QString& why) {
    errno = 0;
    if (file.error() != QFileDevice::NoError) {
        why = errorText(file);
        file.cancelWriting();
        return false;
    }
    if (!flushToDisk(file, why)) {
        file.cancelWriting();
        return false;
    }
    file.close();
    const QString& temporary = file.path();
#ifdef Q_OS_UNIX
    // rename replaces the name: a link there goes, and what it led to stays as it was.
    const bool renamed = ::rename(QFile::encodeName(temporary).constData(),
                                  QFile::encodeName(file.target_).constData()) == 0;
    if (!renamed)
        why = systemError();
#else
    const bool renamed = MoveFileExW(
        reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(temporary).utf16()),
        reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(file.target_).utf16()),
        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!renamed)
        why = qt_error_string(int(GetLastError()));
#endif
    if (!renamed) {
        file.cancelWriting();
        return false;
    }
    file.temporary_ = false;
    return true;
}

Created createNew(NewFile& file, const QString& path, QString& why) {
    file.path_ = path;
    file.setFileName(path);
#ifdef Q_OS_UNIX
    const QByteArray name = QFile::encodeName(path);
    const int fd =
        ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (errno == EEXIST)
            return Created::Taken;
        why = systemError();
        return Created::Failed;
    }
    if (!file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        why = file.errorString();
        ::close(fd);
        ::unlink(name.constData());
        return Created::Failed;
    }
    return Created::Yes;
#else
    if (file.open(QIODevice::NewOnly)) // CREATE_NEW
        return Created::Yes;
    const QFileInfo info(path);
    if (info.exists() || info.isSymLink())
        return Created::Taken;
    why = file.errorString();
    return Created::Failed;
#endif
}

bool openToAppend(QFile& file, const QString& path, bool& created, QString& why) {
    file.setFileName(path);
#ifdef Q_OS_UNIX
    const QByteArray name = QFile::encodeName(path);
    // Non-blocking, so that a FIFO there is refused rather than waited on.
    constexpr int kFlags = O_WRONLY | O_APPEND | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK;
    int fd = ::open(name.constData(), kFlags);
    created = fd < 0 && errno == ENOENT;
    if (created)
        fd = ::open(name.constData(), kFlags | O_CREAT | O_EXCL, 0666);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        why = fd < 0 ? systemError() : QStringLiteral("not a regular file");
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    if (!file.open(fd, QIODevice::WriteOnly | QIODevice::Append, QFileDevice::AutoCloseHandle)) {
        why = file.errorString();
        ::close(fd);
        return false;
    }
    return true;
#else
    const QFileInfo info(path);
    created = !info.exists() && !info.isSymLink();
    if ((info.exists() && !info.isFile()) || info.isSymLink()) {
        why = QStringLiteral("not a regular file");
        return false;
    }
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        why = file.errorString();
        return false;
    }
    return true;
#endif
}

bool flushToDisk(QFile& file, QString& why) {
    if (!file.flush()) {
        why = errorText(file);
        return false;
    }
#ifdef Q_OS_UNIX
    if (::fsync(file.handle()) != 0) {
        why = systemError();
        return false;
    }
#else
    // A file without a C descriptor has nothing to look up (the runtime could stop the
    // program over a bad one).
    const intptr_t handle = file.handle() >= 0 ? _get_osfhandle(file.handle()) : -1;
    if (handle != -1 && !FlushFileBuffers(reinterpret_cast<HANDLE>(handle))) {
        why = qt_error_string(int(GetLastError()));
        return false;
    }
#endif
    return true;
}

bool syncFolder(const QString& path) {
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
#else
    Q_UNUSED(path); // a folder there has nothing to flush of its own
    return true;
#endif
}

} // namespace files
