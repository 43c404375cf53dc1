#include "view/render/exports.h"

#include "view/render/chartpainter.h"
#include "view/render/pdfreport.h"
#include "view/render/readingscsv.h"
#include "view/render/spreadsheetcsv.h"
#include "view/render/statisticscsv.h"

#include "files/savefile.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>
#include <functional>

namespace view {
inline namespace render {

namespace {

struct Format {
    const char* suffix;
    const char* filter;
    const char* what;
    const char* name; // the start of a suggested name
};
constexpr Format kFormats[] = {
    {"png", "PNG image (*.png)", "the charts as PNG", "zelm-charts"},
    {"svg", "SVG image (*.svg)", "the charts as SVG", "zelm-charts"},
    {"csv", "CSV (*.csv)", "the readings as CSV", "zelm-readings"},
    {"csv", "Statistics CSV (*.csv)", "the statistics as CSV", "zelm-statistics"},
    {"pdf", "PDF report (*.pdf)", "the report as PDF", "zelm-report"},
    {"csv", "CSV for spreadsheets, %1 (*.csv)", "the readings as CSV for spreadsheets",
     "zelm-readings"},
    {"csv", "Statistics CSV for spreadsheets, %1 (*.csv)", "the statistics as CSV for spreadsheets",
     "zelm-statistics"},
};

const Format& formatOf(Export kind) {
    return kFormats[int(kind)];
}

QString cannotWrite(const QString& path, const QString& why = {}) {
    return QStringLiteral("cannot write %1%2")
        .arg(QDir::toNativeSeparators(path),
             why.isEmpty() ? QString() : QStringLiteral(": ") + why);
}

// Through a temporary file and a rename: an old file is replaced only by a whole one, and a link
// of that name by the file, what it led to left alone.
bool saveAs(const QString& path, QString& error, const std::function<bool(QIODevice&)>& write) {
    files::WholeFile out(path);
    QString why;
    if (files::openToReplace(out, why) && write(out) && files::commitWhole(out, why))
        return true;
    error = cannotWrite(path, why.isEmpty() ? files::errorText(out) : why);
    return false;
}

bool writeSvg(const QString& path, const Document& d, const ChartChoice& choice, QString& error) {
    return saveAs(path, error, [&](QIODevice& out) {
        const QSize size = paintCharts(nullptr, d, choice);
        QSvgGenerator svg;
        svg.setOutputDevice(&out);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setTitle(d.title);
        QPainter painter;
        if (!painter.begin(&svg))
            return false;
        paintCharts(&painter, d, choice);
        return painter.end();
    });
}

bool writePng(const QString& path, const Document& d, const ChartChoice& choice, QString& error) {
    QImage image(paintCharts(nullptr, d, choice), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    paintCharts(&painter, d, choice);
    painter.end();
    return saveAs(path, error, [&](QIODevice& out) { return image.save(&out, "PNG"); });
}

} // namespace

ChartChoice wholeChoice(const Document& d) {
    return {d.drawnOf(), d.span, {}};
}

QSize paintCharts(QPainter* painter, const Document& d, const ChartChoice& choice, int width) {
    const QList<int> pens = sensorPens(d.report, choice.drawn);
    int y = 0;
    for (qsizetype c = 0; c < d.charts.size(); ++c) {
        ChartView view =
            chartView(d.charts[c], choice.drawn, pens, choice.range.x0, choice.range.x1);
        if (c < choice.hidden.size() && choice.hidden[c].size() == view.hidden.size())
            view.hidden = choice.hidden[c];
        const int height = chartHeight(view, width);
        if (painter)
            paintChart(*painter, QRect(0, y, width, height), view);
        y += height;
    }
    return QSize(width, std::max(y, 1));
}

QString exportSuffix(Export kind) {
    return QString::fromLatin1(formatOf(kind).suffix);
}

QString exportFilter(Export kind) {
    const QString filter = QString::fromLatin1(formatOf(kind).filter);
    if (kind != Export::CsvSpreadsheet && kind != Export::StatisticsSpreadsheet)
        return filter;
    return filter.arg(SpreadsheetCsv::separatorsOf(QLocale()).first == ';'
                          ? QStringLiteral("semicolons and decimal commas")
                          : QStringLiteral("commas and decimal points"));
}

std::optional<Export> spreadsheetOf(Export kind) {
    if (kind == Export::Csv)
        return Export::CsvSpreadsheet;
    if (kind == Export::Statistics)
        return Export::StatisticsSpreadsheet;
    return std::nullopt;
}

QString exportWhat(Export kind) {
    return QString::fromLatin1(formatOf(kind).what);
}

QString suggestedName(const Document& d, Export kind) {
    std::uint32_t first = kNoTime, last = 0;
    for (const Reading& r : d.report.readings)
        if (r.time != kNoTime)
            first = std::min(first, r.time), last = std::max(last, r.time);
    QString name = QString::fromLatin1(formatOf(kind).name);
    if (first != kNoTime)
        name += u'-' + timeText(first, TimeFormat::Date) + u'-' + timeText(last, TimeFormat::Date);
    return name + u'.' + exportSuffix(kind);
}

QString withSuffix(const QString& path, Export kind) {
    return QFileInfo(path).suffix().isEmpty() ? path + u'.' + exportSuffix(kind) : path;
}

bool writeExport(Export kind, const QString& path, const Document& d, const ChartChoice& choice,
                 QString& error) {
    switch (kind) {
    case Export::Png:
        return writePng(path, d, choice, error);
    case Export::Svg:
        return writeSvg(path, d, choice, error);
    case Export::Csv:
        return saveAs(path, error, [&](QIODevice& out) {
            writeCsv(d.report, out, d.shown);
            return true;
        });
    case Export::Statistics:
        return saveAs(path, error, [&](QIODevice& out) {
            writeStatisticsCsv(d.statistics, out);
            return true;
        });
    case Export::Pdf:
        return writePdfReport(path, d, choice.drawn, error);
    case Export::CsvSpreadsheet:
    case Export::StatisticsSpreadsheet:
        return saveAs(path, error, [&](QIODevice& out) {
            SpreadsheetCsv sheet(out);
            if (kind == Export::CsvSpreadsheet)
                writeCsv(d.report, sheet, d.shown);
            else
                writeStatisticsCsv(d.statistics, sheet);
            return sheet.finish();
        });
    }
    return false;
}

} // namespace render
} // namespace view
