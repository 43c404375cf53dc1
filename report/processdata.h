#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace core {
class StatusLog;
class UserQuestions;
} // namespace core

namespace settings {
struct ProgramFolder;
}

namespace report {

inline const QString kRawFile = QStringLiteral("in.dat");

/// "in-yyyy-MM-dd-hh-mm-ss.dat" for the given local time: the kept copy of a raw report.
QString rawArchiveName(const QDateTime& when);

/// "out-yyyy-MM-dd-hh-mm-ss.txt" for the given local time.
QString decodedFileName(const QDateTime& when);

/// What keeping a captured report came to.
struct Kept {
    bool decoded = false; // in.dat and the decoded file are written
    bool safe = false;    // and the kept copy too (none for an empty report), each on the device
                          // with its folder: the logger may be cleared
    QString outPath;      // the decoded file
};

/// ProcessData without the editor: keeps and decodes the report with the same log lines, and
/// tells whether every file is on the device, so that the logger may be cleared.
Kept keepReport(const settings::ProgramFolder& folder, const QByteArray& captured,
                core::StatusLog& log);

/// Keeps the captured report as "in.dat" in folder and as a copy in DATA named after the time of
/// the download (a failed copy is told and the work goes on; an empty report gets none), decodes
/// it record by record into a new "out-<date and time>.txt" there and opens that in the text
/// editor. A file that cannot be written or read back is told in one "ERROR: ProcessData: " line;
/// nothing cut short is left under either name, and the editor is not started.
Kept ProcessData(const settings::ProgramFolder& folder, const QByteArray& captured,
                 core::StatusLog& log, core::UserQuestions& ask);

} // namespace report
