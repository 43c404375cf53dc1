#pragma once
// The journal of the kept reports, DATA/readouts.log: a line for every report a read-out
// received, with the kept file's name and SHA-256, written and flushed to the device before the
// logger may be cleared, and a line for every clear with what came of it. Beside it SHA256SUMS,
// the same files in sha256sum's format, so that anyone can check them with "sha256sum -c".
//
// A line is nine fields separated by tabs, "-" where a field has nothing to say:
//
//   when       the PC's local time with its offset from UTC, 2026-03-02T14:05:09+01:00
//   event      read (a report received), clear (a clear asked of the logger), found (a file
//              that was in the folder when its journal began)
//   program    the program and its version, "zelm-download 1.0.0"
//   device     the serial device read, "/dev/ttyUSB0", "COM3"
//   bytes      of the report
//   records    whole 19-byte records in it
//   state      of a read: whole (proved whole), not-proved-whole, cut-short; of a clear:
//              cleared (proved by reading back), not-cleared, not-confirmed
//   file       the kept file's name in the folder, in-<stamp>.dat or in-<stamp>.partial.dat
//   sha256     its SHA-256 as sha256sum writes it
//
// Lines starting with "#" are comments; the journal begins with one naming the fields.

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace report {

inline const QString kJournalFile = QStringLiteral("readouts.log");
inline const QString kChecksumsFile = QStringLiteral("SHA256SUMS");

/// The offset of a time from UTC, "+01:00".
QString utcOffset(const QDateTime& t);

/// True for the journal's own files, which are no reports.
bool isJournalFile(const QString& fileName);

/// One line of the journal.
struct JournalLine {
    QDateTime when;
    QString event;   // "read", "clear", "found"
    QString program; // with its version
    QString device;
    qint64 bytes = -1; // -1: none
    QString state;
    QString file;   // the kept file's path; empty: none
    QString sha256; // of the file, worked out from it when empty
};

/// Appends line to the journal in folder, and for a read of a file that file to SHA256SUMS, each
/// flushed to the device. Where the journal is new, the kept reports already in the folder are
/// listed first, each as found. False with why when a file could not be written (a link or
/// anything but a regular file there is refused): then no logger may be cleared.
bool writeJournal(const QString& folder, JournalLine& line, QString& why);

/// What checking a folder's kept reports against its journal found.
struct Verification {
    bool journal = false;
    int files = 0;        // files as the journal has them
    QStringList problems; // each "<folder name>/<file>: what is wrong", or a journal's line
};

/// Checks every file in folder against its journal: each file listed must be there with its
/// SHA-256, and each file there (but the journal's own and hidden ones) must be listed.
Verification verifyKept(const QString& folder);

/// The folders of files, each once, verified together: journal is true where one of them has a
/// journal, and noJournal names those that have none (by their names).
struct FoldersVerified : Verification {
    QStringList noJournal;
};
FoldersVerified verifyFoldersOf(const QStringList& files);

/// In a sentence, for a printed report: whether the files it was made from were verified.
QString verificationText(const FoldersVerified& verified);

} // namespace report
