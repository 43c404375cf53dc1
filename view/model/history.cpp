#include "view/model/history.h"

#include "files/regularfile.h"
#include "report/journal.h"
#include "settings/folder.h"
#include "settings/ini.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <algorithm>

namespace view {
inline namespace model {

namespace {

// Only regular files are opened; another is told in report.skipped, with why.
bool openReport(QFile& file, const QString& path, Report& report) {
    files::ReadStatus status;
    QString why;
    if (files::openRegularFile(file, path, status, why))
        return true;
    report.skipped.append({path, status == files::ReadStatus::NotRegular
                                     ? QStringLiteral("not a regular file")
                                     : QStringLiteral("cannot read: ") + why});
    return false;
}

struct Named {
    QString path;
    bool byName; // named, or named like a report; else read only where it looks like one
};

// The files named and those in the folders named, each once.
QList<Named> namedFiles(const QStringList& paths, Report& report,
                        const std::function<bool(const QFileInfo&)>& wanted) {
    QList<Named> files;
    QSet<QString> seen;
    const auto addFile = [&](const QFileInfo& info, bool byName) {
        const QString key =
            info.canonicalFilePath().isEmpty() ? info.absoluteFilePath() : info.canonicalFilePath();
        if (!seen.contains(key)) {
            seen.insert(key);
            if (!wanted || wanted(info))
                files.append({info.filePath(), byName});
        }
    };
    for (const QString& path : paths) {
        const QFileInfo info(path);
        if (!info.isDir()) {
            addFile(info, true);
            continue;
        }
        // Special files too (System), so that one behind a report's name is named and skipped.
        const QFileInfoList entries =
            QDir(path).entryInfoList(QDir::Files | QDir::System | QDir::Hidden, QDir::Name);
        for (const QFileInfo& entry : entries) {
            const QString name = entry.fileName();
            if (report::isJournalFile(name)) // the kept reports' record, not a report
                continue;
            addFile(entry, name.endsWith(QLatin1String(".dat"), Qt::CaseInsensitive) ||
                               (name.startsWith(QLatin1String("out-")) &&
                                name.endsWith(QLatin1String(".txt"))));
        }
        if (entries.isEmpty())
            report.skipped.append({path, QStringLiteral("no reports in this folder")});
    }
    return files;
}

} // namespace

Report readHistory(const QStringList& paths) {
    Report report;
    Merger merger(report);
    mergeFiles(reportFiles(paths, report), merger, report);
    merger.finish();
    return report;
}

QList<ReportFile> reportFiles(const QStringList& paths, Report& report,
                              const std::function<bool(const QFileInfo&)>& wanted) {
    const QList<Named> files = namedFiles(paths, report, wanted);
    // Raw reports first, as the originals; each kind in order of file name, which for kept
    // downloads is the order they were made in.
    QList<ReportFile> sources;
    for (const Named& named : std::as_const(files)) {
        QFile file;
        if (!openReport(file, named.path, report))
            continue;
        const QByteArray head = file.read(kHeadBytes);
        if (head.isEmpty())
            report.skipped.append(
                {named.path, file.error() != QFileDevice::NoError
                                 ? QStringLiteral("cannot read: ") + file.errorString()
                                 : QStringLiteral("empty")});
        else if (!named.byName && !looksLikeReport(head))
            report.skipped.append({named.path, QStringLiteral("not a report")});
        else
            sources.append({named.path, looksRaw(head)});
    }
    std::stable_sort(sources.begin(), sources.end(), [](const ReportFile& a, const ReportFile& b) {
        if (a.raw != b.raw)
            return a.raw;
        return QFileInfo(a.path).fileName() < QFileInfo(b.path).fileName();
    });
    return sources;
}

void mergeFiles(const QList<ReportFile>& sources, Merger& merger, Report& report) {
    bool anyRaw = report.raw;
    for (const ReportFile& source : std::as_const(sources)) {
        QFile file; // opened again: a history is hundreds of files, each closed once read
        if (!openReport(file, source.path, report))
            continue;
        QString why;
        const qint64 read = merger.add(file, why);
        if (read < 0)
            report.skipped.append({source.path, QStringLiteral("cannot read: ") + why});
        else if (read == 0)
            report.skipped.append({source.path, QStringLiteral("holds no readings")});
        else
            report.files.append(source.path);
        // What a read-out cut short kept: its whole records are readings like any others.
        if (read > 0 && source.path.endsWith(QLatin1String(".partial.dat"), Qt::CaseInsensitive))
            report.partial.append(source.path);
        anyRaw = anyRaw || (read > 0 && source.raw);
    }
    report.raw = anyRaw;
}

QString historyFolder(const settings::ProgramFolder& folder) {
    return folder.file(settings::kDataFolder);
}

QString settingsFile(const settings::ProgramFolder& folder) {
    return folder.file(settings::kIniFile);
}

} // namespace model
} // namespace view
