#pragma once
// A small tmpfs mounted over a folder for a test: read-only, or nearly full. Needs root;
// tests skip where it cannot be had.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <sys/mount.h>

class Tmpfs {
public:
    Tmpfs(const QString& folder, const QByteArray& options, bool readOnly)
        : folder_(QFile::encodeName(folder)) {
        mounted_ = ::mount("tmpfs", folder_.constData(), "tmpfs", readOnly ? MS_RDONLY : 0,
                           options.constData()) == 0;
    }
    ~Tmpfs() {
        if (mounted_)
            ::umount2(folder_.constData(), MNT_DETACH);
    }
    Tmpfs(const Tmpfs&) = delete;
    Tmpfs& operator=(const Tmpfs&) = delete;
    bool mounted() const { return mounted_; }

private:
    QByteArray folder_;
    bool mounted_ = false;
};
