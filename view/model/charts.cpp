#include "view/model/charts.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace view::inline model {

namespace {

constexpr int kLevels = 4;
constexpr int kBlockBits = 3; // 8 readings a block of the first level, 8 blocks of each the next
constexpr qsizetype kBlock = qsizetype(1) << kBlockBits;

// The gaps: spacings longer than three usual intervals.
void findGaps(Series& s) {
    s.interval = intervalOf(s.times);
    if (s.interval == 0)
        return; // no two readings apart, so none far apart
    const std::uint64_t limit = 3 * std::uint64_t(s.interval);
    for (qsizetype k = 0; k + 1 < s.times.size(); ++k)
        if (s.times[k + 1] - s.times[k] > limit)
            s.gaps.append(std::uint32_t(k));
}

// Lowest and highest of two, the earlier of equal ones.
void take(Extremes& e, const Extremes& part) {
    if (part.low < e.low)
        e.low = part.low, e.lowAt = part.lowAt;
    if (part.high > e.high)
        e.high = part.high, e.highAt = part.highAt;
}

Extremes single(const Series& s, qsizetype k) {
    return {s.values[k], s.values[k], std::uint32_t(k), std::uint32_t(k)};
}

// For every whole block of each level, its lowest and highest value and where they are: a
// column's extremes come from these without reading the values between.
void findExtremes(Series& s) {
    qsizetype size = 1; // of the parts of a block of this level
    for (int level = 0; level < kLevels; ++level, size *= kBlock) {
        QList<Extremes>& out = s.extremes[level];
        out.resize(s.at.size() / (size * kBlock));
        for (qsizetype b = 0; b < out.size(); ++b) {
            const qsizetype first = b * kBlock;
            Extremes e = level ? s.extremes[level - 1][first] : single(s, first);
            for (qsizetype part = first + 1; part < first + kBlock; ++part)
                take(e, level ? s.extremes[level - 1][part] : single(s, part));
            out[b] = e;
        }
    }
}

} // namespace

void Series::setLimits(std::optional<Decimal> low, std::optional<Decimal> high) {
    low_ = low;
    high_ = high;
    // Limits are billionths, shown values thousandths: a million of one is one of the other.
    constexpr std::int64_t kPer = kBillion / 1000;
    const auto floorOf = [](std::int64_t b) { return b / kPer - (b % kPer < 0); };
    lowest_ = low ? -floorOf(-low->billionths) : std::numeric_limits<std::int64_t>::min();
    highest_ = high ? floorOf(high->billionths) : std::numeric_limits<std::int64_t>::max();
}

std::uint32_t intervalOf(const QList<std::uint32_t>& times) {
    std::vector<std::uint32_t> spacing;
    spacing.reserve(size_t(std::max<qsizetype>(times.size() - 1, 0)));
    for (qsizetype k = 0; k + 1 < times.size(); ++k)
        if (times[k + 1] > times[k])
            spacing.push_back(times[k + 1] - times[k]);
    if (spacing.empty())
        return 0;
    const auto middle = spacing.begin() + qsizetype(spacing.size() / 2);
    std::nth_element(spacing.begin(), middle, spacing.end());
    return *middle;
}

QList<Quantity> quantities(const Report& report, const QList<Shown>& shown) {
    // Series by sensor and value, filled in one pass: the readings come in time order.
    std::vector<Series> all;
    std::vector<std::int32_t> index(size_t(report.sensors.size()) * 2, -1);
    const auto seriesOf = [&](std::uint32_t sensor, bool second) {
        std::int32_t& i = index[sensor * 2 + second];
        if (i >= 0)
            return i;
        i = std::int32_t(all.size());
        const Sensor& s = report.sensors[sensor];
        Series& made = all.emplace_back();
        // A second value of the same measure as the first (RX) is told apart by its number.
        const QString two = second && measureOf(s.kind, true) == measureOf(s.kind, false)
                                ? QStringLiteral(" (2)")
                                : QString();
        made.name = s.name() + two;
        made.label = made.name;
        made.sensor = sensor;
        made.second = second;
        if (sensor < std::uint32_t(shown.size())) {
            const Shown& how = shown[sensor];
            if (!how.name.isEmpty())
                made.label = how.name + two;
            made.calibration = how.calibration[second];
            made.setLimits(how.low[second], how.high[second]);
        }
        return i;
    };
    // Two passes: the series made and their readings counted, then filled in place.
    struct Fill {
        std::uint32_t *at, *times;
        std::int32_t* values;
    };
    std::vector<Fill> fill;
    std::vector<qsizetype> count;
    for (int pass = 0; pass < 2; ++pass) {
        for (qsizetype i = 0; i < report.readings.size(); ++i) {
            const Reading& r = report.readings[i];
            // Both series are made before either is used: making one may move the other.
            const std::int32_t f = seriesOf(r.sensor, false);
            const std::int32_t g = r.hasValue2 ? seriesOf(r.sensor, true) : -1;
            // A BT reading always has both values: its humidity shares the temperature's
            // positions and times, not copied.
            const bool shares = kindInfo(report.sensors[r.sensor].kind).second == Second::Always;
            for (const std::int32_t k : {f, g}) {
                if (k < 0)
                    continue;
                Series& s = all[size_t(k)];
                if (r.time == kNoTime) {
                    s.untimed += pass;
                } else if (pass == 0) {
                    count.resize(std::max(count.size(), size_t(k) + 1));
                    ++count[size_t(k)];
                } else {
                    Fill& to = fill[size_t(k)];
                    *to.values++ = k == f ? r.value : r.value2;
                    if (k == g && shares)
                        continue;
                    if (r.lowBat)
                        s.lowBat.append(std::uint32_t(to.at - s.at.data()));
                    *to.at++ = std::uint32_t(i);
                    *to.times++ = r.time;
                }
            }
        }
        if (pass == 1)
            break;
        count.resize(all.size());
        for (size_t k = 0; k < all.size(); ++k) {
            Series& s = all[k];
            const bool shares =
                s.second && kindInfo(report.sensors[s.sensor].kind).second == Second::Always;
            const qsizetype n = count[k];
            s.values.resize(n);
            s.at.resize(shares ? 0 : n);
            s.times.resize(shares ? 0 : n);
            fill.push_back({s.at.data(), s.times.data(), s.values.data()});
        }
    }
    QList<Quantity> charts(kMeasures);
    for (int c = 0; c < kMeasures; ++c)
        charts[c] = {
            c == TemperatureMeasure, measureTitle(Measure(c)), measureUnit(Measure(c)), {}};
    for (Series& s : all) {
        if (s.second && kindInfo(report.sensors[s.sensor].kind).second == Second::Always) {
            const Series& temperature = all[size_t(index[s.sensor * 2])];
            s.at = temperature.at;
            s.times = temperature.times;
            s.lowBat = temperature.lowBat;
        }
    }
    for (Series& s : all) {
        findGaps(s);
        findExtremes(s);
        charts[measureOf(report.sensors[s.sensor].kind, s.second)].series.append(std::move(s));
    }
    QList<Quantity> present;
    for (Quantity& q : charts) {
        std::sort(q.series.begin(), q.series.end(), [&](const Series& a, const Series& b) {
            const Sensor &x = report.sensors[a.sensor], &y = report.sensors[b.sensor];
            return std::tie(x.kind, x.id, a.second) < std::tie(y.kind, y.id, b.second);
        });
        if (!q.series.isEmpty())
            present.append(std::move(q));
    }
    return present;
}

QList<QPolygonF> reduce(const Series& s, double x0, double x1, int columns) {
    QList<QPolygonF> lines;
    const qsizetype n = s.at.size();
    if (n == 0 || !(x1 > x0))
        return lines;
    columns = std::max(columns, 1);
    // The first position whose time is at or after ms.
    const auto positionOf = [&](double ms) {
        const double seconds = std::ceil(ms / 1000);
        return qsizetype(std::partition_point(s.times.begin(), s.times.end(),
                                              [&](std::uint32_t t) { return t < seconds; }) -
                         s.times.begin());
    };
    const qsizetype inside = positionOf(x0);
    const qsizetype after = std::max(positionOf((std::floor(x1 / 1000) + 1) * 1000), inside);

    qsizetype previous = -1, gap = 0;         // gap: the first of s.gaps at or after previous
    const auto gapBefore = [&](qsizetype k) { // between the point added last and k
        while (gap < s.gaps.size() && s.gaps[gap] < previous)
            ++gap;
        return previous >= 0 && gap < s.gaps.size() && s.gaps[gap] < k;
    };
    const auto add = [&](qsizetype k) {
        if (gapBefore(k))
            lines.append(QPolygonF()); // the line breaks at a gap
        lines.last().append(QPointF(double(s.times[k]) * 1000, s.value(k)));
        previous = k;
    };
    lines.append(QPolygonF());
    lines.last().reserve(std::min(after - inside, 2 * qsizetype(columns)) + 2);
    if (inside > 0)
        add(inside - 1); // the line comes in from the left edge
    if (after - inside <= 2 * qsizetype(columns)) {
        for (qsizetype k = inside; k < after; ++k)
            add(k);
    } else {
        // One pass through the range, taking whole blocks of about a quarter of a column where
        // they lie within one column and single readings where they do not: every column's
        // extremes exactly, reading memory in order whatever the zoom.
        const qsizetype per = (after - inside) / columns;
        int level = 0;
        while (level < kLevels && (qsizetype(4) << (kBlockBits * (level + 1))) <= per)
            ++level;
        const qsizetype size = qsizetype(1) << (kBlockBits * level);
        const double width = (x1 - x0) / columns;
        int c = 0;
        const auto limitOf = [&](int column) { // readings before it (seconds) are in the column
            return column == columns - 1
                       ? std::numeric_limits<std::int64_t>::max()
                       : std::int64_t(std::ceil((x0 + (column + 1) * width) / 1000));
        };
        std::int64_t limit = limitOf(0);
        // The column's extremes so far, kept in locals: this loop is the whole cost of a zoom.
        std::int32_t low = 0, high = 0;
        std::uint32_t lowAt = 0, highAt = 0;
        bool any = false;
        const auto flush = [&] { // the column's lowest and highest
            qsizetype first = std::min(lowAt, highAt), second = std::max(lowAt, highAt);
            // The one nearer the line's last point first where no gap lies between: within a
            // pixel column the order does not show, and the line then crosses each column's
            // span once instead of twice.
            if (first != second && previous >= 0 && !gapBefore(second) &&
                std::abs(s.values[second] - s.values[previous]) <
                    std::abs(s.values[first] - s.values[previous]))
                std::swap(first, second);
            add(first);
            if (first != second)
                add(second);
            any = false;
        };
        for (qsizetype k = inside; k < after;) {
            if (std::int64_t(s.times[k]) >= limit) { // on to the column of this reading
                if (any)
                    flush();
                do
                    limit = limitOf(++c);
                while (std::int64_t(s.times[k]) >= limit);
            }
            std::int32_t lo, hi;
            std::uint32_t loAt, hiAt;
            if (level > 0 && (k & (size - 1)) == 0 && k + size <= after &&
                std::int64_t(s.times[k + size - 1]) < limit) { // a whole block in the column
                const Extremes& block = s.extremes[level - 1][k >> (kBlockBits * level)];
                lo = block.low, hi = block.high, loAt = block.lowAt, hiAt = block.highAt;
                k += size;
            } else {
                lo = hi = s.values[k];
                loAt = hiAt = std::uint32_t(k);
                ++k;
            }
            if (!any || lo < low)
                low = lo, lowAt = loAt;
            if (!any || hi > high)
                high = hi, highAt = hiAt;
            any = true;
        }
        if (any)
            flush();
    }
    if (after < n)
        add(after); // and goes on to the right edge
    return lines;
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

} // namespace view::inline model
