#include "report/processdata.h"

#include "core/host.h"
#include "files/savefile.h"
#include "files/writewhole.h"
#include "link/capture.h"
#include "report/keptfiles.h"
#include "report/record.h"
#include "report/showfile.h"
#include "settings/folder.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

namespace report {

namespace {

constexpr qint64 kProgressMs = 100;

QString native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

void failure(core::StatusLog& log, const QString& what, const QString& path, const QString& why) {
    log.failed("ProcessData", QStringLiteral("cannot %1 %2: %3").arg(what, native(path), why));
}

// Writes a kept report into a file just created, flushes it to the disk and makes it read-only,
// so that a slip of the hand does not change it; on failure nothing is left under its name.
bool writeNew(files::NewFile& file, const QByteArray& bytes, QString& why) {
    if (file.write(bytes) == bytes.size() && files::flushToDisk(file, why)) {
        file.setPermissions(file.permissions() & ~(QFile::WriteOwner | QFile::WriteUser |
                                                   QFile::WriteGroup | QFile::WriteOther));
        file.close();
        return true;
    }
    if (why.isEmpty())
        why = files::errorText(file);
    file.close();
    QFile::remove(file.path());
    return false;
}

// The kept copy of a report; an empty report gets none.
bool writeCopy(KeptFiles& files, const QByteArray& captured, core::StatusLog& log) {
    if (captured.isEmpty())
        return false;
    if (!files.raw.isOpen()) {
        failure(log, "create", files.raw.path(), files.rawWhy);
        return false;
    }
    QString why;
    if (writeNew(files.raw, captured, why))
        return true;
    failure(log, "write", files.raw.path(), why);
    return false;
}

// The closing line: the count, and a warning where the records cannot be a logger's: a report
// that begins with its start marker again (a marker sent twice shifts every record by four
// bytes), or most records of no known kind (such a shift, or no report at all). Either decodes
// to nothing or to nonsense.
void tellDecoded(const DecodeResult& result, const QByteArray& captured, core::StatusLog& log) {
    QStringList wrong;
    if (captured.startsWith(devicelink::kStartMarker))
        wrong.append(QStringLiteral("the report begins with its start marker again"));
    if (2 * qint64(result.unknown) > result.records)
        wrong.append(QStringLiteral("%1 of them are of no known kind").arg(result.unknown));
    const QString done = "Processing " + QString::number(result.records) + " records complete";
    if (wrong.isEmpty())
        log.LogLine(done);
    else
        log.LogLine(done + QStringLiteral(", but %1: this is not a ZELM report as it stands")
                               .arg(wrong.join(QStringLiteral(" and "))),
                    core::Severity::Warning);
}

// Decodes the captured bytes, not a file another read-out may have replaced meanwhile, into
// the decoded file just created.
bool decodeInto(files::NewFile& out, const QByteArray& captured, core::StatusLog& log,
                const QString& folder) {
    // The count is shown as the work goes on, but at most every kProgressMs and for the last
    // record: setting and painting it for every record would cost more than decoding it.
    const qint64 lastRecord = captured.size() / kRecordSize;
    QElapsedTimer sinceShown;
    QBuffer in;
    in.setData(captured);
    in.open(QIODevice::ReadOnly);
    const DecodeResult result =
        decodeReport(in, out, NumberFormat::system(), [&](std::int32_t record) {
            if (sinceShown.isValid() && sinceShown.elapsed() < kProgressMs && record != lastRecord)
                return;
            sinceShown.start();
            log.SetStatus("Processing record " + QString::number(record));
            log.showStatusNow();
        });
    QString why = result.error;
    if (why.isEmpty() && files::flushToDisk(out, why)) {
        out.close();
        tellDecoded(result, captured, log);
        log.SetStatus("");
        // Where it went, and where the files are kept: the log was emptied since start-up said.
        log.LogLine(QStringLiteral("Decoded into %1 in %2")
                        .arg(QFileInfo(out.path()).fileName(), native(folder)));
        return true;
    }
    out.close();
    QFile::remove(out.path());
    if (result.readFailed)
        log.failed("ProcessData", QStringLiteral("cannot decode: ") + why);
    else
        failure(log, "write", out.path(), why);
    return false;
}

} // namespace

Kept ProcessData(const settings::ProgramFolder& folder, const QByteArray& captured,
                 const QDateTime& when, core::StatusLog& log, core::UserQuestions& ask,
                 const std::function<QString()>& editor) {
    const Kept kept = keepReport(folder, captured, when, log);
    if (kept.decoded)
        ShowFile(kept.outPath, editor, ask, log);
    return kept;
}

Kept keepReport(const settings::ProgramFolder& folder, const QByteArray& captured,
                const QDateTime& when, core::StatusLog& log) {
    Kept kept;
    log.LogLine("Processing data");
    KeptFiles files;
    createKept(folder, when, !captured.isEmpty(), files);

    // The last download, replaced whole.
    const QString rawPath = folder.file(kRawFile);
    QString step;
    const QString rawWhy = files::writeWhole(rawPath, captured, step);
    if (!rawWhy.isEmpty())
        failure(log, step, rawPath, rawWhy);

    // Every download is kept as well, whether or not in.dat could be written: in.dat is
    // replaced by the next one, and the decoded file leaves out records.
    const bool copied = writeCopy(files, captured, log);
    if (copied)
        kept.copyPath = files.raw.path();

    if (!files.decoded.isOpen()) {
        failure(log, "create", files.decoded.path(), files.decodedWhy);
    } else if (!rawWhy.isEmpty() && !copied) { // no raw report on the disk to decode from
        files.decoded.close();
        QFile::remove(files.decoded.path());
    } else if (decodeInto(files.decoded, captured, log, folder.path)) {
        kept.decoded = true;
        kept.outPath = files.decoded.path();
    }
    kept.safe = kept.decoded && rawWhy.isEmpty() && (captured.isEmpty() || copied) &&
                files::syncFolder(folder.path) &&
                (captured.isEmpty() || files::syncFolder(folder.file(settings::kDataFolder)));
    return kept;
}

QString keepPartial(const settings::ProgramFolder& folder, const QByteArray& received,
                    const QDateTime& when, core::StatusLog& log) {
    files::NewFile file;
    QString why;
    if (createPartial(folder, when, file, why) == files::Created::Yes &&
        writeNew(file, received, why)) {
        files::syncFolder(folder.file(settings::kDataFolder));
        log.LogLine(QStringLiteral("The %1 bytes received are kept in %2: a report cut short, "
                                   "not decoded")
                        .arg(received.size())
                        .arg(native(file.path())),
                    core::Severity::Warning);
        return file.path();
    }
    log.LogLine(QStringLiteral("ERROR: the %1 bytes received could not be kept in %2: %3")
                    .arg(received.size())
                    .arg(native(file.path()), why),
                core::Severity::Error);
    return {};
}

} // namespace report
