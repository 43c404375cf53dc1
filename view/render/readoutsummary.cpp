#include "view/render/readoutsummary.h"

#include "report/journal.h"
#include "report/keptfiles.h"
#include "view/model/document.h"
#include "view/model/words.h"
#include "view/render/pdfreport.h"
#include "view/render/statisticscsv.h"

#include <QBuffer>
#include <QFileInfo>

namespace view {
inline namespace render {

namespace {

constexpr int kIdsNamed = 8;         // in the logger's line, before the count of the rest
constexpr int kExcursionsNamed = 10; // a series', before the count of the rest

QString withName(const QString& series, const QString& label) {
    return label.isEmpty() || label == series ? series
                                              : QStringLiteral("%1 (%2)").arg(series, label);
}

QString value(std::int64_t thousandths, const QString& unit) {
    const QString text = valueText(thousandths);
    return unit.isEmpty() ? text : text + u' ' + unit;
}

QString limitValue(const Decimal& limit, const QString& unit) {
    const QString text = QString::fromLatin1(decimalText(limit));
    return unit.isEmpty() ? text : text + u' ' + unit;
}

// Which limit an excursion is beyond: "above 8 °C", "below 2 °C", both.
QString beyond(const Series& s, const Excursion& e, const QString& unit) {
    constexpr std::int64_t kPer = kBillion / 1000; // limits are billionths, values thousandths
    const bool below = s.low() && e.lowest * kPer < s.low()->billionths;
    const bool above = s.high() && e.highest * kPer > s.high()->billionths;
    QStringList said;
    if (below)
        said.append(QStringLiteral("below ") + limitValue(*s.low(), unit));
    if (above)
        said.append(QStringLiteral("above ") + limitValue(*s.high(), unit));
    return said.join(QStringLiteral(" and "));
}

QString fromTo(std::uint32_t from, std::uint32_t to) {
    return from == to ? QStringLiteral("at ") + timeText(from)
                      : QStringLiteral("from %1 to %2").arg(timeText(from), timeText(to));
}

// Each excursion of a series and its LOWBAT readings, as warnings.
void warnings(const Quantity& q, const Series& s, QList<SummaryLine>& out) {
    const QString who = withName(s.name, s.label);
    const QList<Excursion> excursions = excursionsOf(s);
    for (qsizetype i = 0; i < excursions.size() && i < kExcursionsNamed; ++i) {
        const Excursion& e = excursions[i];
        const QString values =
            e.lowest == e.highest
                ? value(e.lowest, q.unit)
                : QStringLiteral("%1 to %2").arg(value(e.lowest, q.unit), value(e.highest, q.unit));
        out.append({QStringLiteral("Excursion of %1 %2: %3, %4, %5")
                        .arg(who, beyond(s, e, q.unit), fromTo(e.from, e.to),
                             counted(e.readings, "reading", "readings"), values),
                    core::Severity::Warning});
    }
    if (const qsizetype more = excursions.size() - kExcursionsNamed; more > 0)
        out.append(
            {QStringLiteral("... and %1 more %2 of %3")
                 .arg(more)
                 .arg(more == 1 ? QStringLiteral("excursion") : QStringLiteral("excursions"), who),
             core::Severity::Warning});
    if (!s.lowBat.isEmpty())
        out.append({QStringLiteral("LOWBAT: %1 sent %2 with a low battery, %3")
                        .arg(who, counted(s.lowBat.size(), "reading", "readings"),
                             fromTo(s.times[s.lowBat.first()], s.times[s.lowBat.last()])),
                    core::Severity::Warning});
}

} // namespace

QList<SummaryLine> readOutSummary(const QString& keptPath, const SensorSettings& settings) {
    Report report;
    QString title, error;
    if (!readFiles({keptPath}, report, title, error))
        return {};
    const Document d = documentOf(std::move(report), title, settings);
    const QList<int> order = d.byIdentifier();
    QStringList ids;
    QList<SummaryLine> out;
    for (const int sensor : std::as_const(order))
        ids.append(d.report.sensors[sensor].name());
    const qsizetype more = ids.size() - kIdsNamed;
    out.append({QStringLiteral("Logger with ") + ids.mid(0, kIdsNamed).join(QStringLiteral(", ")) +
                (more > 0 ? QStringLiteral(" and %1 more").arg(more) : QString())});
    out.append({QStringLiteral("Readings from ") + d.period()});
    for (const int sensor : std::as_const(order))
        out.append({QStringLiteral("%1: %2").arg(
            withName(d.report.sensors[sensor].name(), d.shown[sensor].name),
            counted(d.perSensor[sensor], "reading", "readings"))});
    for (const Quantity& q : d.charts)
        for (const Series& s : q.series)
            warnings(q, s, out);
    return out;
}

void tellReadOut(core::StatusLog& log, const QString& keptPath, const QString& settingsFile) {
    for (const SummaryLine& line : readOutSummary(keptPath, readSensorSettings(settingsFile)))
        log.LogLine(line.text, line.severity);
}

namespace {

// Writes bytes as a new file named by nameOf, as the kept files are named; its path, or why not.
bool writeNewFile(const std::function<QString(int)>& nameOf, const QByteArray& bytes,
                  QStringList& written, QString& why) {
    files::NewFile file;
    if (report::createFree(nameOf, file, why) != files::Created::Yes) {
        why = QStringLiteral("cannot create %1: %2").arg(nameOf(1), why);
        return false;
    }
    if (file.write(bytes) != bytes.size() || !files::flushToDisk(file, why)) {
        why = QStringLiteral("cannot write %1: %2")
                  .arg(file.path(), why.isEmpty() ? files::errorText(file) : why);
        file.close();
        QFile::remove(file.path());
        return false;
    }
    written.append(file.path());
    return true;
}

} // namespace

bool writeReadOutReport(const QString& folder, const QString& keptPath, const QString& settingsFile,
                        QStringList& written, QString& why) {
    Report report;
    QString title;
    if (!readFiles({keptPath}, report, title, why))
        return false;
    Document d = documentOf(std::move(report), title, readSensorSettings(settingsFile));
    d.verification = report::verificationText(report::verifyFoldersOf(d.report.files));
    const QByteArray pdf = pdfReport(d, d.drawnOf());
    if (pdf.isEmpty()) {
        why = QStringLiteral("the PDF could not be made");
        return false;
    }
    QBuffer csv;
    csv.open(QIODevice::WriteOnly);
    writeStatisticsCsv(d.statistics, csv);
    const QString stamp = QFileInfo(keptPath).completeBaseName().mid(3); // after "in-"
    const auto named = [&](const char* what, const char* suffix) {
        return [=](int n) {
            return QStringLiteral("%1/zelm-%2-%3%4.%5")
                .arg(folder, QLatin1String(what), stamp,
                     n > 1 ? u'-' + QString::number(n) : QString(), QLatin1String(suffix));
        };
    };
    return writeNewFile(named("report", "pdf"), pdf, written, why) &&
           writeNewFile(named("statistics", "csv"), csv.data(), written, why);
}

} // namespace render
} // namespace view
