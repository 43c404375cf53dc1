// One chart, painted by hand, and the mouse on it. Long, but one idea: the painting of a chart
// (axes, lines, limits, marks, legend) is one pass that the window and every export share.
#include "view/chartpanel.h"

#include "view/timeaxis.h"

#include <QDateTime>
#include <QMap>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace view {

namespace {

constexpr int kTitle = 26, kPlotHeight = 250, kLeft = 64, kRight = 18, kAxis = 38;
constexpr int kEntryWidth = 180, kEntryHeight = 17, kBottom = 8;

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

// Fills the spans, whole pixels in one opaque colour, straight into the pixels of the image
// being painted, where that gives the pixels the painter would: a year of history fills
// millions of them a repaint, and the painter's cost per one-pixel-wide rectangle is most of
// that. False where it cannot (another device, a rotation, a clip that is not a rectangle).
bool fillSpansInImage(QPainter& p, const QList<QRect>& spans, const QColor& colour) {
    if (p.device()->devType() != QInternal::Image || colour.alpha() != 255 ||
        p.deviceTransform().type() > QTransform::TxScale ||
        p.compositionMode() != QPainter::CompositionMode_SourceOver)
        return false;
    auto& image = *static_cast<QImage*>(p.device());
    const QImage::Format format = image.format();
    if ((format != QImage::Format_RGB32 && format != QImage::Format_ARGB32 &&
         format != QImage::Format_ARGB32_Premultiplied) ||
        !image.isDetached())
        return false;
    const QTransform& toDevice = p.deviceTransform();
    QRect bounds = image.rect();
    if (p.hasClipping()) {
        const QRegion clip = p.clipRegion();
        if (clip.rectCount() > 1)
            return false;
        bounds &= toDevice.mapRect(QRectF(clip.boundingRect())).toAlignedRect();
    }
    const QRgb pixel = colour.rgba(); // opaque: the same premultiplied or not
    uchar* const bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    for (const QRect& span : spans) {
        const QRect r = toDevice.mapRect(QRectF(span)).toAlignedRect() & bounds;
        for (int y = r.top(); y <= r.bottom(); ++y)
            std::fill_n(reinterpret_cast<QRgb*>(bits + y * stride) + r.left(), r.width(), pixel);
    }
    return true;
}

// A dense line, in screen points: each pixel column's span filled, with the step from the
// column before, and lines where points lie columns apart. The same pixels as the line's steep
// strokes, at a fraction of the cost of drawing them.
void drawDense(QPainter& p, const QPolygonF& screen, const QPen& pen) {
    QList<QRect> spans;
    QList<QLineF> joins;
    int column = int(std::floor(screen[0].x()));
    double top = screen[0].y(), bottom = top;
    const auto span = [&] {
        const int y = int(std::lround(top));
        spans.append(QRect(column, y, 1, int(std::lround(bottom)) - y + 1));
    };
    for (qsizetype i = 1; i < screen.size(); ++i) {
        const QPointF& at = screen[i];
        const int x = int(std::floor(at.x()));
        if (x != column) {
            span();
            if (x == column + 1) { // from where the column before ended
                top = std::min(screen[i - 1].y(), at.y());
                bottom = std::max(screen[i - 1].y(), at.y());
            } else {
                joins.append(QLineF(screen[i - 1], at));
                top = bottom = at.y();
            }
            column = x;
        }
        top = std::min(top, at.y());
        bottom = std::max(bottom, at.y());
    }
    span();
    if (!fillSpansInImage(p, spans, pen.color())) {
        p.setPen(Qt::NoPen);
        p.setBrush(pen.color());
        p.drawRects(spans);
    }
    p.setPen(pen);
    p.drawLines(joins);
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

ChartPanel::ChartPanel(const Report& report, Quantity quantity, QWidget* parent)
    : QWidget(parent), report_(report), quantity_(std::move(quantity)),
      shown_(quantity_.series.size(), true), hidden_(quantity_.series.size(), false),
      pens_(quantity_.series.size(), 0) {
    choosePens(QList<bool>(report.sensors.size(), true));
    for (const Series& s : quantity_.series) {
        if (s.at.isEmpty())
            continue;
        const double first = s.ms(0);
        const double last = s.ms(s.at.size() - 1);
        start_ = timed_ ? std::min(start_, first) : first;
        end_ = timed_ ? std::max(end_, last) : last;
        timed_ = true;
    }
    if (end_ <= start_) { // a single moment still gets a minute of axis, around it
        start_ -= 30000;
        end_ += 30000;
    }
    x0_ = start_;
    x1_ = end_;
    setMouseTracking(true);
    setMinimumHeight(heightFor(1100));
}

QList<int> ChartPanel::drawn() const {
    QList<int> out;
    for (int i = 0; i < quantity_.series.size(); ++i)
        if (shown_[i])
            out.append(i);
    return out;
}

int ChartPanel::heightFor(int width) const {
    const int perRow = std::max(1, (width - kLeft) / kEntryWidth);
    const int entries = int(drawn().size()) + 2; // and LOWBAT, outside limits
    return kTitle + kPlotHeight + kAxis + (entries + perRow - 1) / perRow * kEntryHeight + kBottom;
}

QRect ChartPanel::plotRect(const QRect& rect) const {
    return QRect(rect.left() + kLeft, rect.top() + kTitle, rect.width() - kLeft - kRight,
                 kPlotHeight);
}

void ChartPanel::setTimeRange(double x0, double x1) {
    x0_ = x0;
    x1_ = std::max(x1, x0 + 1000);
    update();
}

void ChartPanel::choosePens(const QList<bool>& shown) {
    // The n-th sensor drawn of all, by kind and identifier, has the n-th pen in every chart.
    QList<int> order;
    for (int sensor = 0; sensor < report_.sensors.size(); ++sensor)
        if (sensor < shown.size() && shown[sensor])
            order.append(sensor);
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        const Sensor &x = report_.sensors[a], &y = report_.sensors[b];
        return std::tie(x.kind, x.id) < std::tie(y.kind, y.id);
    });
    QList<int> rank(report_.sensors.size(), -1);
    for (int n = 0; n < order.size(); ++n)
        rank[order[n]] = n;
    for (int i = 0; i < quantity_.series.size(); ++i)
        pens_[i] = std::max(rank[quantity_.series[i].sensor], 0);
}

void ChartPanel::setShownSensors(const QList<bool>& shown) {
    for (int i = 0; i < quantity_.series.size(); ++i) {
        const std::uint32_t sensor = quantity_.series[i].sensor;
        shown_[i] = sensor < std::uint32_t(shown.size()) && shown[sensor];
    }
    choosePens(shown);
    setMinimumHeight(heightFor(width()));
    update();
}

void ChartPanel::paintChart(QPainter& p, const QRect& rect) {
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
               quantity_.unit.isEmpty()
                   ? quantity_.title
                   : QStringLiteral("%1 (%2)").arg(quantity_.title, quantity_.unit));
    p.setFont(normal);

    // What each drawn series shows between x0 and x1, and the values' range there.
    const QList<int> drawnSeries = drawn();
    QList<QList<QPolygonF>> lines;
    double low = INFINITY, high = -INFINITY;
    for (const int i : drawnSeries) {
        lines.append(hidden_[i] ? QList<QPolygonF>()
                                : reduce(quantity_.series[i], x0_, x1_, plot.width()));
        for (const QPolygonF& line : std::as_const(lines.last()))
            for (const QPointF& pt : line)
                if (pt.x() >= x0_ && pt.x() <= x1_)
                    low = std::min(low, pt.y()), high = std::max(high, pt.y());
    }
    // Limits are part of the picture: the range takes them in.
    QMap<double, QList<int>> limits; // limit value to the drawn series (by n) it belongs to
    for (int n = 0; n < drawnSeries.size(); ++n) {
        const Series& s = quantity_.series[drawnSeries[n]];
        if (hidden_[drawnSeries[n]])
            continue;
        for (const double limit : {s.low, s.high}) {
            if (std::isnan(limit))
                continue;
            limits[limit].append(n);
            low = std::min(low, limit), high = std::max(high, limit);
        }
    }
    if (low > high)
        low = 0, high = 1;
    // Wide enough to tell the values apart however large they are.
    const double margin =
        std::max({(high - low) * 0.05, 0.5, std::abs(low) * 1e-9, std::abs(high) * 1e-9});
    low -= margin;
    high += margin;
    const auto toX = [&](double ms) {
        return plot.left() + (ms - x0_) / (x1_ - x0_) * plot.width();
    };
    const auto toY = [&](double v) {
        return plot.bottom() - (v - low) / (high - low) * plot.height();
    };
    yAt_ = [=](int y) { return low + double(plot.bottom() - y) / plot.height() * (high - low); };

    // Grid and axes.
    const QColor grid(225, 225, 225);
    p.setPen(grid);
    const double step = niceStep(high - low, plot.height() / 40);
    // Counted, not added up: a step too small to change a large value still ends the loop.
    const double firstRow = std::ceil(low / step);
    for (int row = 0; row < 200 && (firstRow + row) * step <= high; ++row) {
        const double v = (firstRow + row) * step;
        const int y = int(std::lround(toY(v)));
        p.setPen(grid);
        p.drawLine(plot.left(), y, plot.right(), y);
        p.setPen(Qt::black);
        p.drawText(QRect(rect.left(), y - 10, kLeft - 6, 20), Qt::AlignRight | Qt::AlignVCenter,
                   QString::number(std::abs(v) < step / 2 ? 0.0 : v, 'g', 6));
    }
    for (const TimeTick& tick : timeTicks(qint64(x0_), qint64(x1_), plot.width() / 90)) {
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
    for (int n = 0; n < drawnSeries.size(); ++n) {
        const Series& s = quantity_.series[drawnSeries[n]];
        QPen pen = seriesPen(pens_[drawnSeries[n]]);
        qsizetype points = 0;
        for (const QPolygonF& line : std::as_const(lines[n]))
            points += line.size();
        const bool dense = points > plot.width();
        if (dense)
            pen.setStyle(Qt::SolidLine); // a dash does not show in a line this dense
        for (const QPolygonF& line : std::as_const(lines[n])) {
            QPolygonF screen;
            screen.reserve(line.size());
            for (const QPointF& pt : line)
                screen.append(QPointF(toX(pt.x()), toY(pt.y())));
            p.setPen(pen);
            p.setBrush(pen.color());
            if (screen.size() == 1)
                p.drawEllipse(screen.first(), 2, 2);
            else if (dense)
                drawDense(p, screen, pen);
            else
                p.drawPolyline(screen);
        }
        if (hidden_[drawnSeries[n]])
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
                    if (!s.outside(pt.y()) || pt.x() < x0_ || pt.x() > x1_ || x - lastX < 6)
                        continue; // marks that do not hide each other
                    lastX = x;
                    anyOutside = true;
                    drawOutsideMark(p, QPointF(x, toY(pt.y())));
                }
            }
        }
        p.setPen(QPen(Qt::red, 1.5));
        p.setBrush(Qt::NoBrush);
        lastX = -1000000;
        for (const std::uint32_t k : s.lowBat) {
            const double ms = s.ms(k);
            const int x = int(toX(ms));
            if (ms < x0_ || ms > x1_ || x - lastX < 6)
                continue;
            lastX = x;
            anyLow = true;
            p.drawEllipse(QPointF(x, toY(s.value(k))), 3.5, 3.5);
        }
    }
    // Limits, dashed, over the lines: a limit of one line among several in its colour, else in
    // dark red.
    for (auto it = limits.cbegin(); it != limits.cend(); ++it) {
        const bool own = it->size() == 1 && drawnSeries.size() > 1;
        const QColor colour =
            own ? seriesPen(pens_[drawnSeries[it->first()]]).color() : kLimitColour;
        const int y = int(std::lround(toY(it.key())));
        QPen pen(colour, 1.5, Qt::DashLine);
        pen.setCosmetic(true);
        p.setPen(pen);
        p.drawLine(plot.left(), y, plot.right(), y);
        const QString label =
            QStringLiteral("limit %1 %2").arg(it.key()).arg(quantity_.unit).trimmed();
        const int width = fm.horizontalAdvance(label) + 6;
        QRect box(plot.right() - width - 2, y - fm.height() - 1, width, fm.height());
        if (box.top() < plot.top()) // below a limit at the top edge
            box.moveTop(y + 2);
        p.fillRect(box, QColor(255, 255, 255, 210)); // readable over dense lines
        p.drawText(box, Qt::AlignCenter, label);
    }
    p.restore();

    // Legend below, in columns.
    legendHits_.clear();
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
        const bool off = hidden_[drawnSeries[n]];
        QPen pen = seriesPen(pens_[drawnSeries[n]]);
        QColor colour = pen.color();
        colour.setAlphaF(off ? 0.3 : 1.0);
        pen.setColor(colour);
        pen.setWidthF(2);
        p.setPen(pen);
        p.drawLine(r.left(), r.center().y(), r.left() + 26, r.center().y());
        p.setPen(off ? QColor(160, 160, 160) : QColor(Qt::black));
        p.drawText(
            r.adjusted(32, 0, 0, 0), Qt::AlignVCenter,
            fm.elidedText(quantity_.series[drawnSeries[n]].label, Qt::ElideRight, r.width() - 32));
        legendHits_.append({r, drawnSeries[n]});
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
}

void ChartPanel::paintEvent(QPaintEvent*) {
    // Painted into an image first, where dense lines are filled straight into its pixels.
    const qreal ratio = devicePixelRatioF();
    if (frame_.size() != size() * ratio)
        frame_ = QImage(size() * ratio, QImage::Format_RGB32);
    frame_.setDevicePixelRatio(ratio);
    {
        QPainter onFrame(&frame_);
        paintChart(onFrame, rect());
    }
    QPainter p(this);
    p.drawImage(0, 0, frame_);
    if (dragFrom_ >= 0 && dragTo_ >= 0) {
        const QRect plot = plotRect(rect());
        p.fillRect(QRect(QPoint(std::min(dragFrom_, dragTo_), plot.top()),
                         QPoint(std::max(dragFrom_, dragTo_), plot.bottom())),
                   QColor(30, 120, 220, 60));
    }
}

void ChartPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    setMinimumHeight(heightFor(width())); // the legend's rows follow the width
}

double ChartPanel::timeAt(int x) const {
    const QRect plot = plotRect(rect());
    return x0_ + double(x - plot.left()) / plot.width() * (x1_ - x0_);
}

void ChartPanel::wheelEvent(QWheelEvent* event) {
    // Zooms the time axis about the point under the mouse.
    const double x = timeAt(int(event->position().x()));
    const double factor = event->angleDelta().y() > 0 ? 0.8 : 1.25;
    const double span = end_ - start_;
    setTimeRange(std::max(x - (x - x0_) * factor, start_ - span),
                 std::min(x + (x1_ - x) * factor, end_ + span));
    emit zoomed(x0_, x1_);
    event->accept();
}

void ChartPanel::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    for (const auto& [r, series] : std::as_const(legendHits_)) {
        if (r.contains(at)) { // a legend entry switches its line off and on
            hidden_[series] = !hidden_[series];
            update();
            return;
        }
    }
    if (plotRect(rect()).contains(at))
        dragFrom_ = at.x();
}

void ChartPanel::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (dragFrom_ >= 0) {
        const QRect plot = plotRect(rect());
        dragTo_ = std::clamp(at.x(), plot.left(), plot.right());
        update();
        return;
    }
    const QRect plot = plotRect(rect());
    if (!plot.contains(at)) {
        QToolTip::hideText();
        return;
    }
    // The reading nearest the pointer in time, of the drawn line nearest it in value.
    const double t = timeAt(at.x());
    const double perPixel = (x1_ - x0_) / plot.width();
    QString text;
    double nearest = INFINITY;
    for (const int i : drawn()) {
        const Series& s = quantity_.series[i];
        if (hidden_[i] || s.at.isEmpty())
            continue;
        const qsizetype k =
            std::min<qsizetype>(std::lower_bound(s.times.begin(), s.times.end(),
                                                 std::uint32_t(std::max(t, 0.0) / 1000)) -
                                    s.times.begin(),
                                s.at.size() - 1);
        const double ms = double(s.ms(k));
        const double value = s.value(k);
        if (std::abs(ms - t) > 4 * perPixel || std::abs(value - yAt_(at.y())) >= nearest)
            continue;
        nearest = std::abs(value - yAt_(at.y()));
        const QString name = s.label == s.name ? s.name : s.label + " (" + s.name + ')';
        text = QStringLiteral("%1\n%2\n%3 %4%5")
                   .arg(name, timeText(s.times[k]), QString::fromLatin1(calibratedText(value)),
                        quantity_.unit,
                        s.outside(value) ? QStringLiteral("\noutside limits") : QString());
    }
    if (text.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(event->globalPosition().toPoint(), text, this);
}

void ChartPanel::mouseReleaseEvent(QMouseEvent*) {
    if (dragFrom_ >= 0 && dragTo_ >= 0 && std::abs(dragTo_ - dragFrom_) > 4) {
        const double a = timeAt(std::min(dragFrom_, dragTo_));
        const double b = timeAt(std::max(dragFrom_, dragTo_));
        setTimeRange(a, b);
        emit zoomed(x0_, x1_);
    }
    dragFrom_ = dragTo_ = -1;
    update();
}

} // namespace view
