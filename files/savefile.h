#pragma once
// Writing files so that they last and go where they are meant to: a file replaced whole through a
// temporary file and a rename, so a failed write leaves the old file, never a short one; and a new
// name created exclusively, never replacing anything. Neither writes through a symbolic link: a
// link at a name replaced whole is itself replaced (its target untouched), and a name that exists
// in any form (a file, a link, a link that leads nowhere) is never taken as new.

#include <QFile>
#include <QString>

class QIODevice;

namespace files {

/// The description of the error a device's last read or write ran into. Qt leaves "Unknown
/// error" after some failed writes (a full disk among them); the system's own text is used then.
QString errorText(const QIODevice& device);

/// What creating a new name came to.
enum class Created {
    Yes,    // created, empty, open for writing
    Taken,  // something of that name is there already: a file, a folder, a link
    Failed, // the folder refuses it (why says how)
};

/// A file created new by createNew, which knows its path also once closed (a file opened on a
/// descriptor forgets its name).
class NewFile : public QFile {
public:
    const QString& path() const { return path_; }

private:
    friend Created createNew(NewFile& file, const QString& path, QString& why);
    QString path_;
};

/// A file that replaces the one at its target whole: written under a temporary name in the
/// target's own folder (not a link's), renamed over the target when all of it is on the disk.
/// Unless committed, the temporary file goes with the object.
class WholeFile : public NewFile {
public:
    explicit WholeFile(const QString& target) : target_(target) {}
    ~WholeFile() override;
    WholeFile(const WholeFile&) = delete;
    WholeFile& operator=(const WholeFile&) = delete;
    const QString& target() const { return target_; }
    /// Closes and removes the temporary file; the target stays as it was.
    void cancelWriting();

private:
    friend bool openToReplace(WholeFile& file, QString& why);
    friend bool commitWhole(WholeFile& file, QString& why);
    QString target_;
    bool temporary_ = false; // fileName() is a temporary file of ours
    int mode_ = -1;          // the permissions of the file replaced, given to its successor
};

/// Opens file's temporary file for writing. A target that is a folder, a FIFO, a device or a
/// read-only file is refused: the rename would put a file in its place. A link at the target is
/// no reason to refuse: the link is what gets replaced. False with why otherwise.
bool openToReplace(WholeFile& file, QString& why);

/// Writes out what is still buffered, flushes it to the disk and renames the file over its
/// target. False with why, the temporary file removed and the target untouched, when any step
/// fails (a full disk shows only at the last write).
bool commitWhole(WholeFile& file, QString& why);

/// Creates path as a new file and opens file on it for writing, exclusively: an existing name of
/// any kind, a link that leads nowhere too, is Taken and left as it is.
Created createNew(NewFile& file, const QString& path, QString& why);

/// Opens path to append to it, created when there is none (created says so): only a regular
/// file, never through a link. False with why otherwise.
bool openToAppend(QFile& file, const QString& path, bool& created, QString& why);

/// Writes out what file still buffers and flushes it to the disk. False with why otherwise.
bool flushToDisk(QFile& file, QString& why);

/// Flushes a folder to the disk, so that the names made in it survive a power cut.
bool syncFolder(const QString& path);

} // namespace files
