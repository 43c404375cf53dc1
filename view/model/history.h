#pragma once
// A history: the readings of many reports (the kept downloads of the data folder, or any files
// and folders named) merged into one, so that a record several downloads hold counts once.
// Reading a history never writes, moves or deletes anything.

#include "settings/folder.h"
#include "view/model/merger.h"

#include <QStringList>

#include <functional>

class QFileInfo;

namespace view {
inline namespace model {

/// The readings of all files named and of the reports directly in the folders named, merged:
/// raw reports first, each kind in order of file name, a file named twice read once. In a
/// folder, files named like reports ("*.dat", "out-*.txt") are read as named ones are; a file of
/// another name ("*.raw", "*.bin") is read where its start looks like a report (looksLikeReport)
/// and is else skipped as "not a report". Only regular files are read (a FIFO, a device or a link
/// to one is never opened in a way that could block), and a piece at a time. Files that give no
/// readings, and folders without reports, are listed in skipped with the reason; none stops the
/// others.
Report readHistory(const QStringList& paths);

/// A report to read, raw or decoded.
struct ReportFile {
    QString path;
    bool raw;
};
/// The files readHistory reads of paths, in the order it reads them: of those wanted (all where
/// wanted is empty). Files that cannot be reports, and folders without files, are added to
/// report.skipped with the reason.
QList<ReportFile> reportFiles(const QStringList& paths, Report& report,
                              const std::function<bool(const QFileInfo&)>& wanted = {});
/// Reads files into merger, whose report is report: each listed in report.files, or in
/// report.skipped with the reason.
void mergeFiles(const QList<ReportFile>& files, Merger& merger, Report& report);

/// The folder of kept downloads: "DATA" in the folder the main program keeps its files in
/// (settings::chooseProgramFolder, which a program asks where it starts).
QString historyFolder(const settings::ProgramFolder& folder);
/// The main program's settings file in that folder; it holds the sensors' names, calibrations
/// and limits beside the port.
QString settingsFile(const settings::ProgramFolder& folder);

} // namespace model
} // namespace view
