#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace core {
class StatusLog;
class UserQuestions;
} // namespace core

namespace report {

inline const QString kRawFile = QStringLiteral("in.dat");

/// "in-yyyy-mm-dd-hh-nn-ss.dat" for the given local time: the kept copy of a raw report.
QString RawArchiveName(const QDateTime& when);

/// "out-yyyy-mm-dd-hh-nn-ss.txt" for the given local time.
QString DecodedFileName(const QDateTime& when);

/// Keeps the captured report as "in.dat" beside the program and as a copy in DATA named after
/// the time of the download (a failed copy is told and the work goes on), decodes it record by
/// record into a new "out-<date and time>.txt" there and opens that in the text editor. A file that
/// cannot be written or read back is told in one "ERROR: ProcessData: " line; nothing cut short is
/// left under either name, and the editor is not started.
void ProcessData(const QByteArray& captured, core::StatusLog& log, core::UserQuestions& ask);

} // namespace report
