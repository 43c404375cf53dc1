#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <functional>

namespace core {
class StatusLog;
class UserQuestions;
} // namespace core

namespace settings {
struct ProgramFolder;
}

namespace report {

inline const QString kRawFile = QStringLiteral("in.dat");

/// What keeping a captured report came to.
struct Kept {
    bool decoded = false; // the decoded file is written
    bool safe = false;    // and in.dat and the kept copy too (none for an empty report), each on
                          // the device with its folder: the logger may be cleared
    QString outPath;      // the decoded file
    QString copyPath;     // the kept copy, where it was written
};

/// ProcessData without the editor: keeps and decodes the report with the same log lines, and
/// tells whether every file is on the device, so that the logger may be cleared.
Kept keepReport(const settings::ProgramFolder& folder, const QByteArray& captured,
                const QDateTime& when, core::StatusLog& log);

/// `ProcessData`: keeps the captured report as "in.dat" in folder (the last download, replaced
/// whole) and as a new copy in DATA named after when, the time of the download (an empty report
/// gets none), decodes the captured bytes record by record into a new "out-<stamp>.txt" there with
/// the copy's stamp and suffix, and opens that in the text editor. A file that cannot be written is
/// told in one "ERROR: ProcessData: " line and the others are still written; nothing cut short
/// is left under any name. The decoded file is written where in.dat or the copy holds its
/// bytes, and only then is the editor that editor chooses started (see report::EditorChoice).
Kept ProcessData(const settings::ProgramFolder& folder, const QByteArray& captured,
                 const QDateTime& when, core::StatusLog& log, core::UserQuestions& ask,
                 const std::function<QString()>& editor);

/// Keeps the bytes of a report cut short (received after its start marker) as a new
/// "DATA/in-<stamp>.partial.dat", never decoded, and names it in the log. Its path, or nothing
/// when it could not be written (told in the log).
QString keepPartial(const settings::ProgramFolder& folder, const QByteArray& received,
                    const QDateTime& when, core::StatusLog& log);

} // namespace report
