#include "view/render/pdfreport.h"

#include "view/model/words.h"
#include "view/render/chartpainter.h"
#include "view/render/pdfrecord.h"
#include "view/render/pdftable.h"

#include "files/regularfile.h"
#include "files/writewhole.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QPainter>
#include <QPdfWriter>
#include <functional>

namespace view {
inline namespace render {

namespace {

constexpr double kMarginMm = 15;
constexpr int kFooter = 28, kGap = 14, kTableFont = 10;

// What the table's numbers mean, in brief; the manual page says the same at length.
const QString kDefinitions = QStringLiteral(
    "Times are the logger's wall-clock times (no zone, no summer time). Usual interval: the "
    "median of the positive spacings of a sensor's readings (of an even count, the higher middle "
    "one); a gap is a spacing longer than three of them. Each reading stands for the time to the "
    "next, at most the usual interval (the last: the usual interval). Excursion: a run of "
    "readings outside a limit, broken by a reading inside or a gap; time outside: the time its "
    "readings stand for. MKT: mean kinetic temperature, each reading weighted by the time it "
    "stands for, computed in floating point. Std dev: sample standard deviation (n − 1). Values "
    "are exact decimals rounded once, half away from zero: readings in tenths, calibrated ones "
    "(gain × decoded + offset) to thousandths, as they are compared with limits; mean and std dev "
    "from exact sums of those, to the two decimals printed (the statistics CSV: four, of the same "
    "exact value). Durations are whole seconds, in days, hours, minutes and seconds. SHA-256: of "
    "each file as it was when this report was made.");

// Lays the report out page by page; run once without a painter to count the pages, then again
// to paint them with "page n of m". Every text it places is recorded where asked.
class Pages {
public:
    Pages(QPaintDevice& device, const QRect& page, std::function<void()> newPage, QPainter* painter,
          const PdfReport& report, int total, QList<PdfText>* record = nullptr)
        : device_(device), newPage_(std::move(newPage)), p_(painter), report_(report),
          total_(total), record_(record), page_(page) {
        bottom_ = page_.height() - kFooter;
    }

    int run() {
        paragraph(report_.title, pdfFont(26, true));
        for (const QString& line : report_.heading)
            paragraph(line, pdfFont(13));
        y_ += 4;
        paragraph(QStringLiteral("Period: %1").arg(report_.document.period()), pdfFont(13));
        paragraph(report_.made, pdfFont(13));
        if (!report_.document.verification.isEmpty())
            paragraph(report_.document.verification, pdfFont(13));
        y_ += 6;
        files();
        const QList<Statistics>& statistics = report_.document.statistics;
        const Columns readings = readingsColumns(), limits = limitsColumns();
        table(QStringLiteral("Statistics"), readings.columns, rowsOf(readings, statistics));
        table(QStringLiteral("Calibration and limits"), limits.columns, rowsOf(limits, statistics));
        y_ += 6;
        paragraph(kDefinitions, pdfFont(9));
        for (const ChartView& chart : report_.charts) {
            const int height = chartHeight(chart, page_.width());
            y_ += kGap;
            room(height);
            if (p_) {
                p_->save();
                p_->setFont(pdfFont(11));
                paintChart(*p_, QRect(0, y_, page_.width(), height), chart);
                p_->restore();
            }
            y_ += height;
        }
        signature();
        footer();
        return pageNumber_;
    }

private:
    // Starts a new page when height does not fit below what is there.
    void room(qreal height) {
        if (y_ + height <= bottom_ || y_ == 0)
            return;
        footer();
        if (p_)
            newPage_();
        ++pageNumber_;
        y_ = 0;
    }

    void footer() {
        if (!p_)
            return;
        p_->setFont(pdfFont(10));
        p_->setPen(Qt::darkGray);
        const QRect r(0, page_.height() - kFooter + 8, page_.width(), kFooter - 8);
        const QString number = QStringLiteral("Page %1 of %2").arg(pageNumber_).arg(total_);
        const QFontMetricsF fm(p_->font(), &device_);
        const qreal room = r.width() - fm.horizontalAdvance(number) - 20;
        p_->drawText(r, Qt::AlignLeft | Qt::AlignVCenter,
                     fm.elidedText(report_.title, Qt::ElideRight, room));
        p_->drawText(r, Qt::AlignRight | Qt::AlignVCenter, number);
        p_->setPen(Qt::black);
    }

    // Draws text's lines in box, one under the other, and records them.
    void place(const QRectF& box, const QString& text, const QStringList& lines, const QFont& f,
               Qt::Alignment align) {
        if (record_)
            record_->append({pageNumber_, box, f, text, lines});
        if (!p_)
            return;
        p_->setFont(f);
        const qreal step = QFontMetricsF(f, &device_).lineSpacing();
        for (qsizetype i = 0; i < lines.size(); ++i)
            p_->drawText(QRectF(box.left(), box.top() + i * step, box.width(), step),
                         align | Qt::AlignVCenter | Qt::TextSingleLine, lines[i]);
    }

    void paragraph(const QString& text, const QFont& f) {
        const QStringList lines = laidLines(text, f, page_.width(), Wrap::Anywhere, &device_);
        const qreal height = lines.size() * QFontMetricsF(f, &device_).lineSpacing();
        room(height);
        place(QRectF(0, y_, page_.width(), height), text, lines, f, Qt::AlignLeft);
        y_ += height;
    }

    // The files, each with its SHA-256, under the folder they are in.
    void files() {
        paragraph(QStringLiteral("Made from %1%2, each with its SHA-256:")
                      .arg(counted(report_.files.size(), "file", "files"),
                           report_.folder.isEmpty() ? QString()
                                                    : QStringLiteral(" in ") + report_.folder),
                  pdfFont(13));
        table({},
              {{QStringLiteral("File"), Wrap::Anywhere, false},
               {QStringLiteral("SHA-256"), Wrap::Words, false}},
              report_.files);
    }

    // A table with its title, fitted to the page; its header again on every page it runs on.
    void table(const QString& title, const QList<TableColumn>& columns,
               const QList<QStringList>& rows) {
        if (!title.isEmpty()) {
            y_ += kGap;
            paragraph(title, pdfFont(16, true));
            y_ += 4;
        }
        const FittedTable t = fitTable(columns, rows, page_.width(), kTableFont, &device_);
        QStringList headings;
        for (const TableColumn& c : columns)
            headings.append(c.heading);
        QList<TableColumn> headingColumns = columns;
        for (TableColumn& c : headingColumns)
            c.wrap = Wrap::Words;
        row(t, headingColumns, headings, true, false);
        for (qsizetype i = 0; i < rows.size(); ++i) {
            const int before = pageNumber_;
            room(rowHeight(t, columns, rows[i], false));
            if (pageNumber_ != before)
                row(t, headingColumns, headings, true, false);
            row(t, columns, rows[i], false, i % 2 == 1);
        }
    }

    QList<QStringList> cellLines(const FittedTable& t, const QList<TableColumn>& columns,
                                 const QStringList& texts, bool header) const {
        QList<QStringList> lines;
        for (qsizetype c = 0; c < columns.size(); ++c)
            lines.append(laidLines(texts.value(c), header ? t.bold : t.font,
                                   t.widths[c] - 2 * t.pad - 1, columns[c].wrap, &device_));
        return lines;
    }

    qreal rowHeight(const FittedTable& t, const QList<TableColumn>& columns,
                    const QStringList& texts, bool header) const {
        qsizetype most = 1;
        for (const QStringList& l : cellLines(t, columns, texts, header))
            most = std::max(most, l.size());
        return most * QFontMetricsF(header ? t.bold : t.font, &device_).lineSpacing() + 2 * t.pad;
    }

    void row(const FittedTable& t, const QList<TableColumn>& columns, const QStringList& texts,
             bool header, bool shade) {
        const qreal height = rowHeight(t, columns, texts, header);
        room(height);
        qreal width = 0;
        for (const qreal w : t.widths)
            width += w;
        if (p_ && (shade || header))
            p_->fillRect(QRectF(0, y_, width, height),
                         header ? QColor(220, 226, 235) : QColor(244, 244, 244));
        const QList<QStringList> lines = cellLines(t, columns, texts, header);
        qreal x = 0;
        for (qsizetype c = 0; c < columns.size(); ++c) {
            place(QRectF(x + t.pad, y_ + t.pad, t.widths[c] - 2 * t.pad, height - 2 * t.pad),
                  texts.value(c), lines[c], header ? t.bold : t.font,
                  columns[c].right ? Qt::AlignRight : Qt::AlignLeft);
            x += t.widths[c];
        }
        y_ += height;
    }

    // Two lines to sign, at the end.
    void signature() {
        const QFont f = pdfFont(12);
        const qreal line = 3 * QFontMetricsF(f, &device_).lineSpacing();
        y_ += kGap;
        room(2 * line);
        for (const QString& label : {QStringLiteral("Reviewed by:"), QStringLiteral("Date:")}) {
            const qreal width = QFontMetricsF(f, &device_).horizontalAdvance(label) + 8;
            y_ += line;
            place(QRectF(0, y_ - line / 3, width, line / 3), label, {label}, f, Qt::AlignLeft);
            if (p_)
                p_->drawLine(QPointF(width, y_), QPointF(page_.width() * 0.6, y_));
        }
    }

    QPaintDevice& device_;
    std::function<void()> newPage_;
    QPainter* p_;
    const PdfReport& report_;
    int total_;
    QList<PdfText>* record_;
    QRect page_;
    qreal bottom_ = 0;
    qreal y_ = 0;
    int pageNumber_ = 1;
};

void setUp(QPdfWriter& writer, const QString& title) {
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm),
                          QPageLayout::Millimeter);
    writer.setResolution(kPdfResolution);
    writer.setTitle(title);
    writer.setCreator(QCoreApplication::applicationName() + u' ' +
                      QCoreApplication::applicationVersion());
}

} // namespace

bool paintReport(QPagedPaintDevice& device, const Document& d, const QList<bool>& drawn) {
    const PdfReport report = reportOf(d, drawn);
    const QRect page = device.pageLayout().paintRectPixels(kPdfResolution);
    const auto newPage = [&] { device.newPage(); };
    const int total = Pages(device, page, newPage, nullptr, report, 0).run();
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    // Laid out at the PDF's resolution and scaled to the device's: a printer's pages are the
    // PDF's.
    const double scale = device.logicalDpiX() / double(kPdfResolution);
    painter.scale(scale, scale);
    painter.setRenderHint(QPainter::Antialiasing);
    Pages(device, page, newPage, &painter, report, total).run();
    return painter.end();
}

QByteArray pdfReport(const Document& d, const QList<bool>& drawn) {
    // Made in memory, to be written in one checked write: a write the PDF engine makes to a
    // file can fail without a trace (a full disk left a short report, told as written).
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&pdf);
        setUp(writer, reportTitle(d, drawn));
        if (!paintReport(writer, d, drawn))
            return {};
    }
    return pdf.data();
}

bool writePdfReport(const QString& path, const Document& d, const QList<bool>& drawn,
                    QString& error) {
    const QByteArray pdf = pdfReport(d, drawn);
    if (pdf.isEmpty()) {
        error = QStringLiteral("cannot write %1").arg(QDir::toNativeSeparators(path));
        return false;
    }
    QString step;
    if (const QString why = files::writeWhole(path, pdf, step); !why.isEmpty()) {
        error = QStringLiteral("cannot write %1: %2").arg(QDir::toNativeSeparators(path), why);
        return false;
    }
    return true;
}

QList<PdfText> pdfTexts(const Document& d, const QList<bool>& drawn) {
    const PdfReport report = reportOf(d, drawn);
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    QPdfWriter writer(&pdf);
    setUp(writer, report.title);
    QList<PdfText> texts;
    Pages(
        writer, writer.pageLayout().paintRectPixels(kPdfResolution), [] {}, nullptr, report, 0,
        &texts)
        .run();
    return texts;
}

} // namespace render
} // namespace view
