#include "report/processdata.h"

#include "core/host.h"
#include "report/files.h"
#include "report/record.h"
#include "report/showfile.h"
#include "settings/folder.h"
#include "settings/savefile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace report {

namespace {

constexpr qint64 kProgressMs = 100;
const QString kStamp = QStringLiteral("yyyy-MM-dd-hh-mm-ss"); // of both file names

QString failure(const QString& what, const QString& path, const QString& why) {
    return QStringLiteral("ERROR: ProcessData: cannot %1 %2: %3")
        .arg(what, QDir::toNativeSeparators(path), why);
}

} // namespace

QString rawArchiveName(const QDateTime& when) {
    return "in-" + when.toString(kStamp) + ".dat";
}

QString decodedFileName(const QDateTime& when) {
    return "out-" + when.toString(kStamp) + ".txt";
}

Kept ProcessData(const settings::ProgramFolder& folder, const QByteArray& captured,
                 core::StatusLog& log, core::UserQuestions& ask) {
    const Kept kept = keepReport(folder, captured, log);
    if (kept.decoded)
        ShowFile(kept.outPath, ask);
    return kept;
}

Kept keepReport(const settings::ProgramFolder& folder, const QByteArray& captured,
                core::StatusLog& log) {
    Kept kept;
    log.LogLine("Processing data");

    const QDateTime when = QDateTime::currentDateTime(); // one stamp for both files
    const QString rawPath = folder.file(kRawFile);
    QString step;
    if (const QString why = writeWhole(rawPath, captured, step); !why.isEmpty()) {
        log.LogLine(failure(step, rawPath, why), core::Severity::Error);
        return kept;
    }

    // Every download is kept as well: in.dat is overwritten by the next one, and the decoded
    // file leaves out records. A copy that cannot be written costs nothing in.dat does not hold;
    // an empty logger leaves nothing worth a copy.
    const QString archivePath = folder.file(settings::kDataFolder + u'/' + rawArchiveName(when));
    const QString archiveWhy =
        captured.isEmpty() ? QString() : writeWhole(archivePath, captured, step);
    if (!archiveWhy.isEmpty())
        log.LogLine(failure("write", archivePath, archiveWhy), core::Severity::Error);

    QFile raw(rawPath);
    if (!raw.open(QIODevice::ReadOnly)) {
        log.LogLine(failure("read back", rawPath, raw.errorString()), core::Severity::Error);
        return kept;
    }

    const QString outPath = folder.file(decodedFileName(when));
    QSaveFile out(outPath);
    QString why;
    if (!settings::openToReplace(out, why)) {
        log.LogLine(failure("create", outPath, why), core::Severity::Error);
        return kept;
    }
    // The count is shown as the work goes on, but at most every kProgressMs and for the last
    // record: setting and painting it for every record would cost more than decoding it.
    const qint64 lastRecord = captured.size() / kRecordSize;
    QElapsedTimer sinceShown;
    const DecodeResult result =
        decodeReport(raw, out, NumberFormat::system(), [&](std::int32_t record) {
            if (sinceShown.isValid() && sinceShown.elapsed() < kProgressMs && record != lastRecord)
                return;
            sinceShown.start();
            log.SetStatus("Processing record " + QString::number(record));
            log.showStatusNow();
        });
    raw.close();
    if (!result.error.isEmpty()) {
        out.cancelWriting();
        log.LogLine(result.readFailed ? failure("read back", rawPath, result.error)
                                      : failure("write", outPath, result.error),
                    core::Severity::Error);
        return kept;
    }
    if (!settings::commitWhole(out, why)) {
        log.LogLine(failure("write", outPath, why), core::Severity::Error);
        return kept;
    }

    log.LogLine("Processing " + QString::number(result.records) + " records complete");
    log.SetStatus("");
    kept.decoded = true;
    kept.outPath = outPath;
    kept.safe = archiveWhy.isEmpty() && syncToDevice(rawPath) &&
                syncToDevice(QFileInfo(rawPath).absolutePath()) &&
                (captured.isEmpty() || (syncToDevice(archivePath) &&
                                        syncToDevice(QFileInfo(archivePath).absolutePath())));
    return kept;
}

} // namespace report
