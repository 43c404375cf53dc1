#include "report/processdata.h"

#include "app/host.h"
#include "report/record.h"
#include "report/showfile.h"
#include "settings/folder.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSaveFile>

namespace report {

namespace {

constexpr qint64 kProgressMs = 100;

QString failure(const QString& what, const QString& path, const QString& why) {
    return QStringLiteral("ERROR: ProcessData: cannot %1 %2: %3")
        .arg(what, QDir::toNativeSeparators(path), why);
}

} // namespace

QString DecodedFileName(const QDateTime& when) {
    return "out-" + when.toString(QStringLiteral("yyyy-MM-dd-hh-mm-ss")) + ".txt";
}

void ProcessData(const QByteArray& captured, app::StatusLog& log, app::UserQuestions& ask) {
    log.LogLine("Processing data");

    // Written under a temporary name and renamed when complete, so a failed write never
    // leaves a shortened report behind under the real name.
    const QString rawPath = settings::InProgramFolder(kRawFile);
    {
        QSaveFile raw(rawPath);
        if (!raw.open(QIODevice::WriteOnly)) {
            log.LogLine(failure("create", rawPath, raw.errorString()));
            return;
        }
        if (raw.write(captured) != captured.size()) {
            const QString why = ErrorText(raw);
            raw.cancelWriting();
            log.LogLine(failure("write", rawPath, why));
            return;
        }
        if (!raw.commit()) {
            log.LogLine(failure("write", rawPath, raw.errorString()));
            return;
        }
    }

    QFile raw(rawPath);
    if (!raw.open(QIODevice::ReadOnly)) {
        log.LogLine(failure("read back", rawPath, raw.errorString()));
        return;
    }

    const QString outPath =
        settings::InProgramFolder(DecodedFileName(QDateTime::currentDateTime()));
    QSaveFile out(outPath);
    if (!out.open(QIODevice::WriteOnly)) {
        log.LogLine(failure("create", outPath, out.errorString()));
        return;
    }
    // The count is shown as the work goes on, but at most every kProgressMs and for the last
    // record: setting and painting it for every record would cost more than decoding it.
    const qint64 lastRecord = captured.size() / kRecordSize;
    QElapsedTimer sinceShown;
    const DecodeResult result =
        DecodeReport(raw, out, NumberFormat::System(), [&](std::int32_t record) {
            if (sinceShown.isValid() && sinceShown.elapsed() < kProgressMs && record != lastRecord)
                return;
            sinceShown.start();
            log.SetStatus("Processing record " + QString::number(record));
            log.ShowStatusNow();
        });
    raw.close();
    if (!result.error.isEmpty()) {
        out.cancelWriting();
        if (result.readFailed)
            log.LogLine(failure("read back", rawPath, result.error));
        else
            log.LogLine(failure("write", outPath, result.error));
        return;
    }
    if (!out.commit()) {
        log.LogLine(failure("write", outPath, out.errorString()));
        return;
    }

    log.LogLine("Processing " + QString::number(result.records) + " records complete");
    log.SetStatus("");
    ShowFile(outPath, ask);
}

} // namespace report
