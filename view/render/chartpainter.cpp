#include "view/render/chartpainter.h"

#include "view/render/denselines.h"
#include "view/render/freespace.h"
#include "view/render/palette.h"
#include "view/render/timeaxis.h"
#include "view/render/valueaxis.h"

#include <QMap>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace view {
inline namespace render {

namespace {

constexpr int kTitle = 26, kPlotHeight = 250, kLeft = 64, kRight = 18, kAxis = 38;
constexpr int kEntryWidth = 180, kEntryHeight = 17, kBottom = 8;
constexpr int kRowSpacing = 40; // pixels between value labels, about
const QColor kLimitColour(180, 0, 0);

// A series' pen: its sensor's, dashed for a second value drawn beside the first (the second RX
// reading), so that the sensor keeps its colour and the two lines are told apart.
QPen penOf(const ChartView& view, int i) {
    QPen pen = seriesPen(view.pens[i]);
    const Series& s = view.quantity->series[i];
    if (s.second && i > 0 && view.quantity->series[i - 1].sensor == s.sensor &&
        view.drawn.value(i - 1))
        pen.setStyle(pen.style() == Qt::SolidLine ? Qt::DashLine : Qt::SolidLine);
    return pen;
}

QList<int> drawnOf(const ChartView& view) {
    QList<int> out;
    for (int i = 0; i < view.quantity->series.size(); ++i)
        if (view.drawn.value(i))
            out.append(i);
    return out;
}

// A diamond: readings outside a limit stand out from the round LOWBAT marks.
void drawOutsideMark(QPainter& p, const QPointF& at) {
    constexpr double r = 4;
    const QPointF diamond[] = {at + QPointF(0, -r), at + QPointF(r, 0), at + QPointF(0, r),
                               at + QPointF(-r, 0)};
    p.drawPolygon(diamond, 4);
}

} // namespace

ChartView chartView(const Quantity& quantity, const QList<bool>& sensorsDrawn,
                    const QList<int>& sensorPens, double x0, double x1) {
    ChartView view{&quantity, {}, QList<bool>(quantity.series.size(), false), {}, x0, x1};
    for (const Series& s : quantity.series) {
        view.drawn.append(sensorsDrawn.value(qsizetype(s.sensor)));
        view.pens.append(sensorPens.value(qsizetype(s.sensor)));
    }
    return view;
}

QRect plotRect(const QRect& rect) {
    return QRect(rect.left() + kLeft, rect.top() + kTitle, rect.width() - kLeft - kRight,
                 kPlotHeight);
}

int chartHeight(const ChartView& view, int width) {
    const int perRow = std::max(1, (width - kLeft) / kEntryWidth);
    const int entries = int(drawnOf(view).size()) + 2; // and LOWBAT, outside limits
    return kTitle + kPlotHeight + kAxis + (entries + perRow - 1) / perRow * kEntryHeight + kBottom;
}

namespace {

// One chart being painted, in its steps: title, the lines' reduction and the values' range,
// grid and axes, each series with its marks, the limits with their labels, the legend.
class ChartPaint {
public:
    ChartPaint(QPainter& p, const QRect& rect, const ChartView& view)
        : p(p), rect(rect), view(view), quantity(*view.quantity), x0(view.x0), x1(view.x1),
          plot(plotRect(rect)), fm(p.font()), drawnSeries(drawnOf(view)), space(plot) {}

    ChartLayout paint() {
        p.save();
        p.fillRect(rect, Qt::white);
        title();
        range();
        axes();
        p.save();
        p.setClipRect(plot);
        for (int n = 0; n < drawnSeries.size(); ++n)
            series(n);
        limitLines();
        p.restore();
        legend();
        p.restore();
        return layout;
    }

private:
    QPainter& p;
    const QRect& rect;
    const ChartView& view;
    const Quantity& quantity;
    const double x0, x1;
    const QRect plot;
    const QFontMetrics fm;
    const QList<int> drawnSeries;
    ChartLayout layout;
    qreal ratio = 1;
    int columns = 0;
    QList<QList<QPolygonF>> lines;    // per drawn series, what it shows between x0 and x1
    QMap<Decimal, QList<int>> limits; // limit as written to the drawn series (by n) it is of
    double low = INFINITY, high = -INFINITY;
    FreeSpace space; // what is drawn, which no limit's label may hide
    bool anyLow = false, anyOutside = false;

    double toX(double ms) const { return plot.left() + (ms - x0) / (x1 - x0) * plot.width(); }
    double toY(double v) const { return plot.bottom() - (v - low) / (high - low) * plot.height(); }

    void title() {
        const QFont normal = p.font();
        QFont bold = normal;
        bold.setBold(true);
        p.setFont(bold);
        p.setPen(Qt::black);
        p.drawText(QRect(plot.left(), rect.top(), plot.width(), kTitle), Qt::AlignVCenter,
                   QStringLiteral("%1 (%2)").arg(quantity.title, unitHeading(quantity.unit)));
        p.setFont(normal);
    }

    // What each drawn series shows between x0 and x1, and the values' range there.
    void range() {
        // A column per device pixel: at a scale of 1.5 a logical pixel's column would hide a
        // third of the detail (a saw-tooth drawn as steps). A printer's scale is the painter's,
        // not the device's: its pages are the PDF's.
        ratio = std::max<qreal>(1, p.device()->devicePixelRatio());
        columns = int(std::ceil(plot.width() * ratio));
        for (const int i : drawnSeries) {
            lines.append(view.hidden[i] ? QList<QPolygonF>()
                                        : reduce(quantity.series[i], x0, x1, columns));
            for (const QPolygonF& line : std::as_const(lines.last()))
                for (const QPointF& pt : line)
                    if (pt.x() >= x0 && pt.x() <= x1)
                        low = std::min(low, pt.y()), high = std::max(high, pt.y());
        }
        // Limits are part of the picture: the range takes them in.
        for (int n = 0; n < drawnSeries.size(); ++n) {
            const Series& s = quantity.series[drawnSeries[n]];
            if (view.hidden[drawnSeries[n]])
                continue;
            for (const std::optional<Decimal>& limit : {s.low(), s.high()}) {
                if (!limit)
                    continue;
                limits[*limit].append(n);
                low = std::min(low, limit->toDouble()), high = std::max(high, limit->toDouble());
            }
        }
        if (low > high)
            low = 0, high = 1;
        // Wide enough to tell the values apart however large they are.
        const double margin =
            std::max({(high - low) * 0.05, 0.5, std::abs(low) * 1e-9, std::abs(high) * 1e-9});
        low -= margin;
        high += margin;
        layout.plot = plot;
        layout.low = low;
        layout.high = high;
    }

    void axes() {
        const QColor grid(225, 225, 225);
        p.setPen(grid);
        const QList<double> ticks = valueTicks(low, high, plot.height() / kRowSpacing);
        const double step = ticks.size() > 1 ? ticks[1] - ticks[0] : 1;
        for (const double v : ticks) {
            const int y = int(std::lround(toY(v)));
            p.setPen(grid);
            p.drawLine(plot.left(), y, plot.right(), y);
            p.setPen(Qt::black);
            p.drawText(QRect(rect.left(), y - 10, kLeft - 6, 20), Qt::AlignRight | Qt::AlignVCenter,
                       QString::number(std::abs(v) < step / 2 ? 0.0 : v, 'g', 6));
        }
        for (const TimeTick& tick : timeTicks(qint64(x0), qint64(x1), plot.width() / 90)) {
            const int x = int(std::lround(toX(double(tick.ms))));
            p.setPen(grid);
            p.drawLine(x, plot.top(), x, plot.bottom());
            p.setPen(Qt::black);
            p.drawLine(x, plot.bottom(), x, plot.bottom() + 4);
            p.drawText(QRect(x - 60, plot.bottom() + 5, 120, fm.height()), Qt::AlignHCenter,
                       tick.label);
            if (!tick.wider.isEmpty())
                p.drawText(QRect(x - 60, plot.bottom() + 5 + fm.height(), 120, fm.height()),
                           Qt::AlignHCenter, tick.wider);
        }
        p.setPen(Qt::black);
        p.drawRect(plot.adjusted(0, 0, -1, -1));
    }

    // The n-th drawn series' lines, broken at gaps (a lone reading shows as a dot), and its
    // marks.
    void series(int n) {
        QPen pen = penOf(view, drawnSeries[n]);
        qsizetype points = 0;
        for (const QPolygonF& line : std::as_const(lines[n]))
            points += line.size();
        const bool dense = points > columns;
        if (dense)
            pen.setStyle(Qt::SolidLine); // a dash does not show in a line this dense
        for (const QPolygonF& line : std::as_const(lines[n])) {
            QPolygonF screen;
            screen.reserve(line.size());
            for (const QPointF& pt : line)
                screen.append(QPointF(toX(pt.x()), toY(pt.y())));
            for (qsizetype k = 0; k < screen.size(); ++k)
                space.addLine(screen[std::max<qsizetype>(k - 1, 0)], screen[k], 1);
            p.setPen(pen);
            p.setBrush(pen.color());
            if (screen.size() == 1)
                p.drawEllipse(screen.first(), 2, 2);
            else if (dense)
                drawDense(p, screen, pen, ratio);
            else
                p.drawPolyline(screen);
        }
        if (view.hidden[drawnSeries[n]])
            return;
        outsideMarks(n);
        lowBatMarks(quantity.series[drawnSeries[n]]);
    }

    // Readings outside a limit, marked where the line shows them: each pixel column's extremes
    // are among its points.
    void outsideMarks(int n) {
        const Series& s = quantity.series[drawnSeries[n]];
        if (!s.limited())
            return;
        int lastX = -1000000; // far left of any plot
        p.setPen(Qt::NoPen);
        p.setBrush(kLimitColour);
        for (const QPolygonF& line : std::as_const(lines[n])) {
            for (const QPointF& pt : line) {
                const int x = int(toX(pt.x()));
                if (!s.outside(thousandthsOf(pt.y())) || pt.x() < x0 || pt.x() > x1 ||
                    x - lastX < 6)
                    continue; // marks that do not hide each other
                lastX = x;
                anyOutside = true;
                drawOutsideMark(p, QPointF(x, toY(pt.y())));
                space.addBox(QRectF(x - 5, toY(pt.y()) - 5, 10, 10));
            }
        }
    }

    void lowBatMarks(const Series& s) {
        p.setPen(QPen(Qt::red, 1.5));
        p.setBrush(Qt::NoBrush);
        int lastX = -1000000;
        for (const std::uint32_t k : s.lowBat) {
            const double ms = s.ms(k);
            const int x = int(toX(ms));
            if (ms < x0 || ms > x1 || x - lastX < 6)
                continue;
            lastX = x;
            anyLow = true;
            p.drawEllipse(QPointF(x, toY(s.value(k))), 3.5, 3.5);
            space.addBox(QRectF(x - 5, toY(s.value(k)) - 5, 10, 10));
        }
    }

    // Limits, dashed, over the lines: a limit of one line among several in its colour, else in
    // dark red. Each is labelled where its label hides no reading and no other limit: beyond it
    // (above a high limit, below a low one) where that is free, else on its other side, else in
    // the title's row.
    void limitLines() {
        for (auto it = limits.cbegin(); it != limits.cend(); ++it)
            space.addLine(QPointF(plot.left(), toY(it.key().toDouble())),
                          QPointF(plot.right(), toY(it.key().toDouble())), 1);
        int titleRoom = plot.right();
        for (auto it = limits.cbegin(); it != limits.cend(); ++it) {
            const bool own = it->size() == 1 && drawnSeries.size() > 1;
            const QColor colour =
                own ? seriesPen(view.pens[drawnSeries[it->first()]]).color() : kLimitColour;
            const int y = int(std::lround(toY(it.key().toDouble())));
            QPen pen(colour, 1.5, Qt::DashLine);
            pen.setCosmetic(true);
            p.setPen(pen);
            p.drawLine(plot.left(), y, plot.right(), y);
            const QString label =
                QStringLiteral("limit %1 %2")
                    .arg(QString::fromLatin1(decimalText(it.key())), quantity.unit)
                    .trimmed();
            const QSize size(fm.horizontalAdvance(label) + 6, fm.height());
            bool isHigh = false;
            for (const int n : *it)
                isHigh = isHigh || quantity.series[drawnSeries[n]].high() == it.key();
            const int above = y - size.height() - 2, below = y + 3;
            QRect box;
            if (space.find(size, isHigh ? above : below, box) ||
                space.find(size, isHigh ? below : above, box)) {
                space.addBox(box);
            } else { // in the title's row, from the right
                box = QRect(
                    QPoint(titleRoom - size.width(), rect.top() + (kTitle - size.height()) / 2),
                    size);
                titleRoom = box.left() - 8;
                p.setClipping(false);
            }
            p.drawText(box, Qt::AlignCenter, label);
            p.setClipRect(plot);
            layout.limitLabels.append(box);
        }
    }

    // The legend below the plot, in columns: each series drawn, then the marks' meanings.
    void legend() {
        const int perRow = std::max(1, (rect.width() - kLeft) / kEntryWidth);
        int entry = 0;
        const auto place = [&] {
            const QRect r(plot.left() + entry % perRow * kEntryWidth,
                          plot.bottom() + kAxis + entry / perRow * kEntryHeight, kEntryWidth - 6,
                          kEntryHeight);
            ++entry;
            return r;
        };
        for (int n = 0; n < drawnSeries.size(); ++n) {
            const QRect r = place();
            const bool off = view.hidden[drawnSeries[n]];
            QPen pen = penOf(view, drawnSeries[n]);
            QColor colour = pen.color();
            colour.setAlphaF(off ? 0.3 : 1.0);
            pen.setColor(colour);
            pen.setWidthF(2);
            p.setPen(pen);
            p.drawLine(r.left(), r.center().y(), r.left() + 26, r.center().y());
            p.setPen(off ? QColor(160, 160, 160) : QColor(Qt::black));
            p.drawText(r.adjusted(32, 0, 0, 0), Qt::AlignVCenter,
                       fm.elidedText(quantity.series[drawnSeries[n]].label, Qt::ElideRight,
                                     r.width() - 32));
            layout.legend.append({r, drawnSeries[n]});
        }
        if (anyOutside) {
            const QRect r = place();
            p.setPen(Qt::NoPen);
            p.setBrush(kLimitColour);
            drawOutsideMark(p, QPointF(r.left() + 13, r.center().y()));
            p.setPen(Qt::black);
            p.drawText(r.adjusted(32, 0, 0, 0), Qt::AlignVCenter, QStringLiteral("outside limits"));
        }
        if (anyLow) {
            const QRect r = place();
            p.setPen(QPen(Qt::red, 1.5));
            p.setBrush(Qt::NoBrush); // hollow, as on the chart
            p.drawEllipse(QPointF(r.left() + 13, r.center().y()), 3.5, 3.5);
            p.setPen(Qt::black);
            p.drawText(r.adjusted(32, 0, 0, 0), Qt::AlignVCenter, QStringLiteral("LOWBAT"));
        }
    }
};

} // namespace

ChartLayout paintChart(QPainter& p, const QRect& rect, const ChartView& view) {
    return ChartPaint(p, rect, view).paint();
}

} // namespace render
} // namespace view
