#pragma once
// Makes a folder read-only for the test. Root ignores permission bits, so when the tests run
// as root the guard also takes the effective user "nobody" until it goes out of scope.

#include <QFile>
#include <QString>
#include <sys/stat.h>
#include <unistd.h>

class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QString& folder) : folder_(QFile::encodeName(folder)) {
        ::chmod(folder_.constData(), 0555);
        if (::geteuid() == 0) {
            dropped_ = ::seteuid(65534) == 0;
        }
    }
    ~ReadOnlyFolder() {
        if (dropped_)
            (void)::seteuid(0);
        ::chmod(folder_.constData(), 0755);
    }
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

private:
    QByteArray folder_;
    bool dropped_ = false;
};

/// A temporary folder that "nobody" may enter (QTemporaryDir makes it 0700).
inline void openToAll(const QString& folder) {
    ::chmod(QFile::encodeName(folder).constData(), 0755);
}
