// What the printable report is made of, read from the document and the files.
#include "view/render/pdfrecord.h"

#include "view/model/statisticstable.h"

#include "report/journal.h"
#include "report/sha256.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>

namespace view {
inline namespace render {

namespace {

using Table = StatisticsTable;

// The sensor as the tables head a row: the owner's name and the sensor, and what it measures.
QString sensorCell(const Statistics& s) {
    return Table::rowHeading(s, QStringLiteral("\n")) + u'\n' + Table::cell(s, Table::Quantity);
}

// A time of the PC's clock with its offset from UTC: "2026-12-09 11:20:05 UTC+01:00".
QString withOffset(const QDateTime& t) {
    return t.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")) + QStringLiteral(" UTC") +
           report::utcOffset(t);
}

// The SHA-256 of a file in hexadecimal, read as a regular file a piece at a time; why not else.
QString sha256Of(const QString& path) {
    QString why;
    const QString hash = report::sha256Of(path, why);
    return hash.isEmpty() ? QStringLiteral("not read: ") + why : hash;
}

// The deepest folder that holds every one of the absolute paths; empty where none does (files
// on two drives).
QString commonFolder(const QStringList& absolute) {
    QString common = absolute.isEmpty() ? QString() : QFileInfo(absolute.first()).absolutePath();
    for (const QString& p : absolute) {
        while (!(p.size() > common.size() && p.startsWith(common) &&
                 (common.endsWith(u'/') || p[common.size()] == u'/'))) {
            const QString up = QFileInfo(common).absolutePath();
            if (up == common)
                return {};
            common = up;
        }
    }
    return common;
}

// The files' folder and each file's name below it: full local paths are not needed on paper.
void filesOf(const QStringList& paths, PdfReport& report) {
    QStringList absolute;
    for (const QString& p : paths)
        absolute.append(QFileInfo(p).absoluteFilePath());
    const QString common = commonFolder(absolute);
    report.folder = QFileInfo(common).fileName();
    if (report.folder.isEmpty())
        report.folder = QDir::toNativeSeparators(common);
    const QDir folder(common);
    for (qsizetype i = 0; i < paths.size(); ++i)
        report.files.append(
            {QDir::toNativeSeparators(common.isEmpty() ? absolute[i]
                                                       : folder.relativeFilePath(absolute[i])),
             sha256Of(paths[i])});
}

} // namespace

Columns readingsColumns() {
    const QList<std::pair<int, Wrap>> cells{{-1, Wrap::Anywhere},
                                            {Table::Readings, Wrap::None},
                                            {Table::Minimum, Wrap::None},
                                            {Table::Maximum, Wrap::None},
                                            {Table::Mean, Wrap::None},
                                            {Table::Deviation, Wrap::None},
                                            {Table::MeanKinetic, Wrap::Words},
                                            {Table::Gaps, Wrap::None},
                                            {Table::LongestGap, Wrap::Words},
                                            {Table::LowBat, Wrap::None}};
    Columns out;
    for (const auto& [cell, wrap] : cells) {
        out.columns.append(
            {cell < 0 ? QStringLiteral("Sensor") : Table::heading(Table::Column(cell)), wrap,
             cell >= 0});
        out.cells.append(cell);
    }
    return out;
}

Columns limitsColumns() {
    Columns out;
    out.columns = {{QStringLiteral("Sensor"), Wrap::Anywhere, false},
                   {Table::heading(Table::Calibrated), Wrap::Words, false},
                   {Table::heading(Table::Limits), Wrap::Words, false},
                   {Table::heading(Table::Excursions), Wrap::None, true},
                   {Table::heading(Table::TimeOutside), Wrap::Words, true},
                   {Table::heading(Table::LongestExcursion), Wrap::Words, true},
                   {Table::heading(Table::LongestExcursionFrom), Wrap::Words, true}};
    out.cells = {-1,
                 Table::Calibrated,
                 Table::Limits,
                 Table::Excursions,
                 Table::TimeOutside,
                 Table::LongestExcursion,
                 Table::LongestExcursionFrom};
    return out;
}

QList<QStringList> rowsOf(const Columns& c, const QList<Statistics>& statistics) {
    QList<QStringList> rows;
    for (const Statistics& s : statistics) {
        QStringList row;
        for (const int cell : c.cells)
            row.append(cell < 0 ? sensorCell(s) : Table::cell(s, Table::Column(cell)));
        rows.append(row);
    }
    return rows;
}

QString reportTitle(const Document& d, const QList<bool>& drawn) {
    if (!d.settings.report.title.isEmpty())
        return d.settings.report.title;
    QStringList drawnNames, names;
    for (int sensor = 0; sensor < d.shown.size(); ++sensor)
        if (drawn.value(sensor) && !d.shown[sensor].name.isEmpty())
            drawnNames.append(d.shown[sensor].name);
    for (const Statistics& s : d.statistics) // in the table's order
        if (drawnNames.contains(s.label) && !names.contains(s.label))
            names.append(s.label);
    constexpr int kNamed = 6; // a title, not a list
    if (names.isEmpty())
        return QStringLiteral("ZELM report");
    return names.mid(0, kNamed).join(QStringLiteral(", ")) +
           (names.size() > kNamed ? QStringLiteral(" and %1 more").arg(names.size() - kNamed)
                                  : QString());
}

PdfReport reportOf(const Document& d, const QList<bool>& drawn) {
    const ReportHeading& h = d.settings.report;
    PdfReport report{d, reportTitle(d, drawn), {}, {}, {}, {}, {}};
    for (const auto& [label, text] :
         {std::pair{"Site", h.site}, {"Operator", h.operatorName}, {"Comment", h.comment}})
        if (!text.isEmpty())
            report.heading.append(QLatin1String(label) + QStringLiteral(": ") + text);
    report.made =
        QStringLiteral("Made %1 by %2 %3")
            .arg(withOffset(QDateTime::currentDateTime()), QCoreApplication::applicationName(),
                 QCoreApplication::applicationVersion());
    filesOf(d.report.files, report);
    // Every chart over the whole period.
    const QList<int> pens = sensorPens(d.report, drawn);
    for (const Quantity& q : d.charts)
        report.charts.append(chartView(q, drawn, pens, d.span.x0, d.span.x1));
    return report;
}

} // namespace render
} // namespace view
