#include "view/chartpainter.h"

#include "view/denselines.h"
#include "view/freespace.h"
#include "view/timeaxis.h"

#include <QMap>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace view {

namespace {

constexpr int kTitle = 26, kPlotHeight = 250, kLeft = 64, kRight = 18, kAxis = 38;
constexpr int kEntryWidth = 180, kEntryHeight = 17, kBottom = 8;
constexpr int kRowSpacing = 40; // pixels between value labels, about

// Ten colours of a qualitative palette made to be told apart.
constexpr QRgb kPalette[] = {0x1f77b4, 0xff7f0e, 0x2ca02c, 0xd62728, 0x9467bd,
                             0x8c564b, 0xe377c2, 0x7f7f7f, 0xbcbd22, 0x17becf};
const QColor kLimitColour(180, 0, 0);
constexpr Qt::PenStyle kDashes[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::DashDotLine,
                                    Qt::DashDotDotLine};

// A round step of about span / count: 1, 2 or 5 times a power of ten; for a span that is no
// positive finite number, 1.
double niceStep(double span, int count) {
    const double raw = span / std::max(count, 1);
    if (!(raw > 0) || !std::isfinite(raw))
        return 1;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double m : {1.0, 2.0, 5.0})
        if (raw <= m * power)
            return m * power;
    return 10 * power;
}

// The round step below step: 5 below 10, 2 below 5, 1 below 2.
double smallerStep(double step) {
    const double power = std::pow(10.0, std::floor(std::log10(step) + 1e-9));
    const double m = step / power;
    return m > 4 ? 2 * power : m > 1.5 ? power : power / 2;
}

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

QPen seriesPen(int i) {
    // One pixel wide: the rasteriser's fast path, which a history's dense lines need.
    QPen pen(QColor(kPalette[i % 10]), 1, kDashes[(i / 10) % 5]);
    pen.setCosmetic(true);
    return pen;
}

QList<int> sensorPens(const Report& report, const QList<bool>& sensorsDrawn) {
    QList<int> order;
    for (int sensor = 0; sensor < report.sensors.size(); ++sensor)
        if (sensorsDrawn.value(sensor))
            order.append(sensor);
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        const Sensor &x = report.sensors[a], &y = report.sensors[b];
        return std::tie(x.kind, x.id) < std::tie(y.kind, y.id);
    });
    QList<int> pens(report.sensors.size(), 0);
    for (int n = 0; n < order.size(); ++n)
        pens[order[n]] = n;
    return pens;
}

ChartView chartView(const Quantity& quantity, const QList<bool>& sensorsDrawn,
                    const QList<int>& sensorPens, double x0, double x1) {
    ChartView view{&quantity, {}, QList<bool>(quantity.series.size(), false), {}, x0, x1};
    for (const Series& s : quantity.series) {
        view.drawn.append(sensorsDrawn.value(qsizetype(s.sensor)));
        view.pens.append(sensorPens.value(qsizetype(s.sensor)));
    }
    return view;
}

bool timeSpan(const Quantity& quantity, double& start, double& end) {
    bool timed = false;
    for (const Series& s : quantity.series) {
        if (s.at.isEmpty())
            continue;
        const double first = s.ms(0), last = s.ms(s.at.size() - 1);
        start = timed ? std::min(start, first) : first;
        end = timed ? std::max(end, last) : last;
        timed = true;
    }
    if (timed && end <= start) { // a single moment still gets a minute of axis, around it
        start -= 30000;
        end += 30000;
    }
    return timed;
}

QList<double> valueTicks(double low, double high, int most) {
    QList<double> ticks;
    if (!(high > low) || !std::isfinite(high - low))
        return ticks;
    double step = niceStep(high - low, most);
    const auto count = [&](double s) { return std::floor(high / s) - std::ceil(low / s) + 1; };
    for (int k = 0; k < 8 && count(step) < 4; ++k)
        step = smallerStep(step);
    // Counted, not added up: a step too small to change a large value still ends the loop.
    const double first = std::ceil(low / step);
    for (int row = 0; row < 200 && (first + row) * step <= high; ++row)
        ticks.append((first + row) * step);
    return ticks;
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

ChartLayout paintChart(QPainter& p, const QRect& rect, const ChartView& view) {
    const Quantity& quantity = *view.quantity;
    const double x0 = view.x0, x1 = view.x1;
    ChartLayout layout;
    p.save();
    p.fillRect(rect, Qt::white);
    const QRect plot = plotRect(rect);
    const QFont normal = p.font();
    const QFontMetrics fm(normal);
    QFont bold = normal;
    bold.setBold(true);
    p.setFont(bold);
    p.setPen(Qt::black);
    p.drawText(QRect(plot.left(), rect.top(), plot.width(), kTitle), Qt::AlignVCenter,
               QStringLiteral("%1 (%2)").arg(quantity.title, unitHeading(quantity.unit)));
    p.setFont(normal);

    // What each drawn series shows between x0 and x1, and the values' range there.
    const QList<int> drawnSeries = drawnOf(view);
    // A column per device pixel: at a scale of 1.5 a logical pixel's column would hide a third
    // of the detail (a saw-tooth drawn as steps). A printer's scale is the painter's, not the
    // device's: its pages are the PDF's.
    const qreal ratio = std::max<qreal>(1, p.device()->devicePixelRatio());
    const int columns = int(std::ceil(plot.width() * ratio));
    QList<QList<QPolygonF>> lines;
    double low = INFINITY, high = -INFINITY;
    for (const int i : drawnSeries) {
        lines.append(view.hidden[i] ? QList<QPolygonF>()
                                    : reduce(quantity.series[i], x0, x1, columns));
        for (const QPolygonF& line : std::as_const(lines.last()))
            for (const QPointF& pt : line)
                if (pt.x() >= x0 && pt.x() <= x1)
                    low = std::min(low, pt.y()), high = std::max(high, pt.y());
    }
    // Limits are part of the picture: the range takes them in.
    QMap<Decimal, QList<int>> limits; // limit as written to the drawn series (by n) it is of
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
    const auto toX = [&](double ms) { return plot.left() + (ms - x0) / (x1 - x0) * plot.width(); };
    const auto toY = [&](double v) {
        return plot.bottom() - (v - low) / (high - low) * plot.height();
    };
    layout.plot = plot;
    layout.low = low;
    layout.high = high;

    // Grid and axes.
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

    // The lines, broken at gaps; a lone reading shows as a dot.
    p.save();
    p.setClipRect(plot);
    bool anyLow = false, anyOutside = false;
    FreeSpace space(plot); // what is drawn, which no limit's label may hide
    for (int n = 0; n < drawnSeries.size(); ++n) {
        const Series& s = quantity.series[drawnSeries[n]];
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
            continue;
        int lastX = -1000000; // far left of any plot
        // Readings outside a limit, marked where the line shows them: each pixel column's
        // extremes are among its points.
        if (s.limited()) {
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
        p.setPen(QPen(Qt::red, 1.5));
        p.setBrush(Qt::NoBrush);
        lastX = -1000000;
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
        const QString label = QStringLiteral("limit %1 %2")
                                  .arg(QString::fromLatin1(decimalText(it.key())), quantity.unit)
                                  .trimmed();
        const QSize size(fm.horizontalAdvance(label) + 6, fm.height());
        bool high = false;
        for (const int n : *it)
            high = high || quantity.series[drawnSeries[n]].high() == it.key();
        const int above = y - size.height() - 2, below = y + 3;
        QRect box;
        if (space.find(size, high ? above : below, box) ||
            space.find(size, high ? below : above, box)) {
            space.addBox(box);
        } else { // in the title's row, from the right
            box = QRect(QPoint(titleRoom - size.width(), rect.top() + (kTitle - size.height()) / 2),
                        size);
            titleRoom = box.left() - 8;
            p.setClipping(false);
        }
        p.drawText(box, Qt::AlignCenter, label);
        p.setClipRect(plot);
        layout.limitLabels.append(box);
    }
    p.restore();

    // Legend below, in columns.
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
        p.drawText(
            r.adjusted(32, 0, 0, 0), Qt::AlignVCenter,
            fm.elidedText(quantity.series[drawnSeries[n]].label, Qt::ElideRight, r.width() - 32));
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
    p.restore();
    return layout;
}

} // namespace view
