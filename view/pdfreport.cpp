#include "view/pdfreport.h"

#include "view/chartpainter.h"
#include "view/statisticstable.h"
#include "view/words.h"

#include "report/files.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QPainter>
#include <QPdfWriter>
#include <cmath>

namespace view {

namespace {

// 120 dots an inch: the page's width between margins is then about as wide as a chart in the
// window, so the charts keep their proportions and the text its size against them.
constexpr int kResolution = 120;
constexpr double kMarginMm = 15;
constexpr int kFooter = 28, kGap = 14, kPad = 3;

// What the table's numbers mean, in brief; the manual page says the same at length.
const QString kDefinitions = QStringLiteral(
    "Times are the logger's wall-clock times (no zone, no summer time). Usual interval: the "
    "median of the positive spacings of a sensor's readings (of an even count, the higher middle "
    "one); a gap is a spacing longer than three of them. Each reading stands for the time to the "
    "next, at most the usual interval (the last: the usual interval). Excursion: a run of "
    "readings outside a limit, broken by a reading inside or a gap; time outside: the time its "
    "readings stand for. MKT: mean kinetic temperature, each reading weighted by the time it "
    "stands for. Std dev: sample standard deviation (n − 1). Values are compared with limits as "
    "shown: tenths, or calibrated and rounded to thousandths. Durations are rounded to the "
    "minute; the statistics CSV has them in seconds.");

QFont font(int pixels, bool bold = false) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

// The statistics as printed: what a reviewer of a period looks for, narrow enough for A4. The
// sensor's column is the table's row heading and quantity; the others are the window's cells.
using Table = StatisticsTable;
struct Column {
    int column; // a StatisticsTable::Column, or -1: the sensor
    int width;
};
// A heading's longest word must fit its column: bold 10 px "Maximum" is 54 px wide.
constexpr Column kTableColumns[] = {{-1, 120},
                                    {Table::Readings, 62},
                                    {Table::Minimum, 62},
                                    {Table::Maximum, 62},
                                    {Table::Mean, 50},
                                    {Table::Deviation, 50},
                                    {Table::Limits, 96}, // "at most -15 °C" on a line
                                    {Table::Excursions, 66},
                                    {Table::TimeOutside, 66},
                                    {Table::LongestExcursion, 66},
                                    {Table::LongestExcursionFrom, 80},
                                    {Table::MeanKinetic, 48}};

QString headingOf(const Column& c) {
    return c.column < 0 ? QStringLiteral("Sensor") : Table::heading(Table::Column(c.column));
}

QStringList cells(const Statistics& s) {
    QStringList out;
    for (const Column& c : kTableColumns)
        out.append(c.column < 0 ? Table::rowHeading(s, QStringLiteral("\n")) +
                                      QStringLiteral("\n") + Table::cell(s, Table::Quantity)
                                : Table::cell(s, Table::Column(c.column)));
    return out;
}

// What the report is made of.
struct PdfReport {
    const Document& document;
    QString title;  // the sensors' names, or "ZELM report"
    QDateTime made; // on the PC's clock
    QString madeBy; // program and version
    QList<ChartView> charts;
};

// Lays the report out page by page; run once without a painter to count the pages, then again
// to paint them with "page n of m".
class Pages {
public:
    Pages(QPagedPaintDevice& writer, QPainter* painter, const PdfReport& report, int total)
        : writer_(writer), p_(painter), report_(report), total_(total),
          page_(writer.pageLayout().paintRectPixels(kResolution)) {
        bottom_ = page_.height() - kFooter;
    }

    int run() {
        paragraph(report_.title, font(26, true));
        y_ += 4;
        paragraph(QStringLiteral("Period: %1").arg(report_.document.period()), font(13));
        paragraph(
            QStringLiteral("Made %1 by %2")
                .arg(report_.made.toString(QStringLiteral("yyyy-MM-dd hh:mm")), report_.madeBy),
            font(13));
        y_ += 6;
        files();
        y_ += kGap;
        table();
        for (const ChartView& chart : report_.charts) {
            const int height = chartHeight(chart, page_.width());
            y_ += kGap;
            room(height);
            if (p_) {
                p_->save();
                p_->setFont(font(11));
                paintChart(*p_, QRect(0, y_, page_.width(), height), chart);
                p_->restore();
            }
            y_ += height;
        }
        footer();
        return page_number_;
    }

private:
    // Starts a new page when height does not fit below what is there.
    void room(int height) {
        if (y_ + height <= bottom_ || y_ == 0)
            return;
        footer();
        if (p_)
            writer_.newPage();
        ++page_number_;
        y_ = 0;
    }

    void footer() {
        if (!p_)
            return;
        p_->setFont(font(10));
        p_->setPen(Qt::darkGray);
        const QRect r(0, page_.height() - kFooter + 8, page_.width(), kFooter - 8);
        p_->drawText(r, Qt::AlignLeft | Qt::AlignVCenter, report_.title);
        p_->drawText(r, Qt::AlignRight | Qt::AlignVCenter,
                     QStringLiteral("Page %1 of %2").arg(page_number_).arg(total_));
        p_->setPen(Qt::black);
    }

    int heightOf(const QString& text, const QFont& f, int width) const {
        const QFontMetrics fm(f, &writer_);
        return fm.boundingRect(QRect(0, 0, width, 100000), Qt::TextWordWrap, text).height();
    }

    void paragraph(const QString& text, const QFont& f) {
        const int height = heightOf(text, f, page_.width());
        room(height);
        if (p_) {
            p_->setFont(f);
            p_->drawText(QRect(0, y_, page_.width(), height), Qt::TextWordWrap, text);
        }
        y_ += height;
    }

    // The files, by folder: a year of downloads is dozens of names.
    void files() {
        QMap<QString, QStringList> byFolder;
        const QStringList& files = report_.document.report.files;
        for (const QString& f : files) {
            const QFileInfo info(f);
            byFolder[QDir::toNativeSeparators(info.absolutePath())].append(info.fileName());
        }
        paragraph(QStringLiteral("Made from %1:").arg(counted(files.size(), "file", "files")),
                  font(13));
        for (auto it = byFolder.cbegin(); it != byFolder.cend(); ++it)
            paragraph(QStringLiteral("%1: %2").arg(it.key(), it->join(QStringLiteral(", "))),
                      font(10));
    }

    int rowHeight(const QStringList& texts, const QFont& f) const {
        int height = 0;
        for (int c = 0; c < texts.size(); ++c)
            height = std::max(height,
                              heightOf(texts[c], f, kTableColumns[c].width - 2 * kPad) + 2 * kPad);
        return height;
    }

    void row(const QStringList& texts, const QFont& f, bool header, bool shade) {
        const int height = rowHeight(texts, f);
        room(height);
        if (p_) {
            if (shade || header)
                p_->fillRect(QRect(0, y_, page_.width(), height),
                             header ? QColor(220, 226, 235) : QColor(244, 244, 244));
            p_->setFont(f);
            int x = 0;
            for (int c = 0; c < texts.size(); ++c) {
                p_->drawText(QRect(x + kPad, y_ + kPad, kTableColumns[c].width - 2 * kPad,
                                   height - 2 * kPad),
                             Qt::TextWordWrap | (c >= 1 && !header ? Qt::AlignRight : 0), texts[c]);
                x += kTableColumns[c].width;
            }
        }
        y_ += height;
    }

    void table() {
        paragraph(QStringLiteral("Statistics"), font(16, true));
        y_ += 4;
        QStringList headers;
        for (const Column& c : kTableColumns)
            headers.append(headingOf(c));
        row(headers, font(10, true), true, false);
        const QList<Statistics>& statistics = report_.document.statistics;
        for (int i = 0; i < statistics.size(); ++i) {
            const QStringList texts = cells(statistics[i]);
            const int before = page_number_;
            room(rowHeight(texts, font(10)));
            if (page_number_ != before) // a table carried over repeats its header
                row(headers, font(10, true), true, false);
            row(texts, font(10), false, i % 2 == 1);
        }
        paragraph(kDefinitions, font(9));
    }

    QPagedPaintDevice& writer_;
    QPainter* p_;
    const PdfReport& report_;
    int total_;
    QRect page_;
    int bottom_ = 0;
    int y_ = 0;
    int page_number_ = 1;
};

PdfReport reportOf(const Document& d, const QList<bool>& drawn) {
    QStringList drawnNames, names;
    for (int sensor = 0; sensor < d.shown.size(); ++sensor)
        if (drawn.value(sensor) && !d.shown[sensor].name.isEmpty())
            drawnNames.append(d.shown[sensor].name);
    for (const Statistics& s : d.statistics) // in the table's order
        if (drawnNames.contains(s.label) && !names.contains(s.label))
            names.append(s.label);
    constexpr int kNamed = 6; // a title, not a list
    PdfReport report{d,
                     names.isEmpty()
                         ? QStringLiteral("ZELM report")
                         : names.mid(0, kNamed).join(QStringLiteral(", ")) +
                               (names.size() > kNamed
                                    ? QStringLiteral(" and %1 more").arg(names.size() - kNamed)
                                    : QString()),
                     QDateTime::currentDateTime(),
                     QStringLiteral("zelm-view %1").arg(QCoreApplication::applicationVersion()),
                     {}};
    // Every chart over the whole period.
    const QList<int> pens = sensorPens(d.report, drawn);
    for (const Quantity& q : d.charts)
        report.charts.append(chartView(q, drawn, pens, d.span.x0, d.span.x1));
    return report;
}

} // namespace

bool paintReport(QPagedPaintDevice& device, const Document& d, const QList<bool>& drawn) {
    const PdfReport report = reportOf(d, drawn);
    const int total = Pages(device, nullptr, report, 0).run();
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    // Laid out at the PDF's resolution, and scaled to the device's: a printer's pages are the
    // PDF's.
    const double scale = device.logicalDpiX() / double(kResolution);
    painter.scale(scale, scale);
    painter.setRenderHint(QPainter::Antialiasing);
    Pages(device, &painter, report, total).run();
    return painter.end();
}

bool writePdfReport(const QString& path, const Document& d, const QList<bool>& drawn,
                    QString& error) {
    const PdfReport report = reportOf(d, drawn);
    // Made in memory and written in one checked write: a write the PDF engine makes to a file
    // can fail without a trace (a full disk left a short report, told as written).
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    QPdfWriter writer(&pdf);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm),
                          QPageLayout::Millimeter);
    writer.setResolution(kResolution);
    writer.setTitle(report.title);
    writer.setCreator(report.madeBy);
    if (!paintReport(writer, d, drawn)) {
        error = QStringLiteral("cannot write %1").arg(QDir::toNativeSeparators(path));
        return false;
    }
    QString step;
    if (const QString why = report::writeWhole(path, pdf.data(), step); !why.isEmpty()) {
        error = QStringLiteral("cannot write %1: %2").arg(QDir::toNativeSeparators(path), why);
        return false;
    }
    return true;
}

} // namespace view
