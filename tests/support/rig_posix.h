#pragma once
// Faults only POSIX makes for a test (rig.h includes this): read-only folders, small file systems.

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

/// Makes a folder read-only while it lives. Root ignores permission bits, so as root it also
/// takes the effective user "nobody".
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QString& folder) : folder_(QFile::encodeName(folder)) {
        ::chmod(folder_.constData(), 0555);
        dropped_ = ::geteuid() == 0 && ::seteuid(65534) == 0;
    }
    ~ReadOnlyFolder() {
        if (dropped_)
            (void)::seteuid(0);
        ::chmod(folder_.constData(), 0755);
    }

private:
    QByteArray folder_;
    bool dropped_ = false;
};

/// A temporary folder that "nobody" may enter (QTemporaryDir makes it 0700).
inline void openToAll(const QString& folder) {
    ::chmod(QFile::encodeName(folder).constData(), 0755);
}

/// A small tmpfs mounted over a folder while it lives, read-only if its options begin with
/// "ro,". Needs root.
class Tmpfs {
public:
    Tmpfs(const QString& folder, const QByteArray& options) : folder_(QFile::encodeName(folder)) {
        const bool readOnly = options.startsWith("ro,");
        mounted_ = ::mount("tmpfs", folder_.constData(), "tmpfs", readOnly ? MS_RDONLY : 0,
                           options.mid(readOnly ? 3 : 0).constData()) == 0;
    }
    ~Tmpfs() {
        if (mounted_)
            ::umount2(folder_.constData(), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }

private:
    QByteArray folder_;
    bool mounted_ = false;
};
