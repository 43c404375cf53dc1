#include "view/render/pdftable.h"

#include <QFontMetricsF>
#include <QTextLayout>
#include <algorithm>
#include <numeric>

namespace view {
inline namespace render {

namespace {

// The width of the widest line of text, or of its widest word.
qreal widest(const QString& text, const QFontMetricsF& fm, bool words) {
    qreal w = 0;
    qsizetype from = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == u'\n' || (words && text[i] == u' ')) {
            w = std::max(w, fm.horizontalAdvance(text.mid(from, i - from)));
            from = i + 1;
        }
    }
    return w;
}

struct Needs {
    QList<qreal> natural, least; // each column's width, unwrapped and wrapped as far as it may
};

Needs needsOf(const QList<TableColumn>& columns, const QList<QStringList>& rows,
              const FittedTable& t, QPaintDevice* device) {
    const QFontMetricsF fm(t.font, device), bold(t.bold, device);
    // One pixel beyond the text: what lays out in a width draws within it.
    const qreal pad = 2 * t.pad + 1;
    Needs n;
    for (qsizetype c = 0; c < columns.size(); ++c) {
        const TableColumn& column = columns[c];
        qreal natural = widest(column.heading, bold, false);
        qreal least = widest(column.heading, bold, true);
        for (const QStringList& row : rows) {
            const QString& text = row.value(c);
            natural = std::max(natural, widest(text, fm, false));
            least = std::max(least, widest(text, fm, column.wrap != Wrap::None));
        }
        if (column.wrap == Wrap::Anywhere) // a long name may break within its words
            least = std::max(widest(column.heading, bold, true),
                             std::min(least, fm.horizontalAdvance(QStringLiteral("WWWWWWWWWW"))));
        n.natural.append(natural + pad);
        n.least.append(std::min(natural, least) + pad);
    }
    return n;
}

} // namespace

QFont pdfFont(int pixels, bool bold) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

FittedTable fitTable(const QList<TableColumn>& columns, const QList<QStringList>& rows, qreal width,
                     int pixels, QPaintDevice* device) {
    FittedTable t;
    for (int px = pixels;; --px) {
        t.font = pdfFont(px);
        t.bold = pdfFont(px, true);
        t.pad = std::max(2.0, 0.3 * px);
        const Needs n = needsOf(columns, rows, t, device);
        const qreal natural = std::accumulate(n.natural.begin(), n.natural.end(), 0.0);
        const qreal least = std::accumulate(n.least.begin(), n.least.end(), 0.0);
        if (natural <= width) { // what is left shared alike: room between the columns
            for (const qreal w : n.natural)
                t.widths.append(w + (width - natural) / qreal(n.natural.size()));
            return t;
        }
        if (least <= width || px <= 5) {
            // What may wrap gives up its width in proportion to what it can give.
            const qreal share =
                natural > least ? std::max(0.0, width - least) / (natural - least) : 0;
            t.widths.clear();
            for (qsizetype c = 0; c < columns.size(); ++c)
                t.widths.append(n.least[c] + (n.natural[c] - n.least[c]) * share);
            return t;
        }
    }
}

QStringList laidLines(const QString& text, const QFont& font, qreal width, Wrap wrap,
                      QPaintDevice* device) {
    QStringList out;
    for (const QString& paragraph : text.split(u'\n')) {
        if (wrap == Wrap::None || paragraph.isEmpty()) {
            out.append(paragraph);
            continue;
        }
        QTextLayout layout(paragraph, font, device);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            QString part = paragraph.mid(line.textStart(), line.textLength());
            while (part.endsWith(u' '))
                part.chop(1);
            out.append(part);
        }
        layout.endLayout();
    }
    return out;
}

} // namespace render
} // namespace view
