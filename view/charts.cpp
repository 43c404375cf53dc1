#include "view/charts.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace view {

namespace {

enum Chart { Temperature, Humidity, Readings, Battery, Charts };

const char* const kTitles[Charts] = {"Temperature", "Relative humidity", "RX readings", "Battery"};
const char* const kUnits[Charts] = {"°C", "%", "", "V"};
constexpr qsizetype kBlock = 64; // readings per block of the first level; 64 blocks the second

// Where a reading's value (second = false) or second value goes.
Chart chartOf(Kind kind, bool second) {
    switch (kind) {
    case TX:
        return Temperature;
    case BT:
        return second ? Humidity : Temperature;
    case RX:
        return Readings;
    case BV:
        return Battery;
    }
    return Charts;
}

QString timeText(const Reading& r) {
    const QByteArray st = StampText(r);
    if (r.time == kNoTime)
        return QString::fromLatin1(st);
    return QString::fromLatin1(st.first(10) + ' ' + st.sliced(11, 2) + ':' + st.sliced(14, 2) +
                               ':' + st.sliced(17, 2));
}

std::uint32_t timeOf(const Report& report, const Series& s, qsizetype k) {
    return report.readings[s.at[k]].time;
}

// The usual interval (median spacing) and the gaps longer than three of them.
void findGaps(const Report& report, Series& s) {
    const qsizetype n = s.at.size();
    if (n < 2)
        return;
    std::vector<std::uint32_t> spacing(size_t(n - 1));
    for (qsizetype k = 0; k + 1 < n; ++k)
        spacing[size_t(k)] = timeOf(report, s, k + 1) - timeOf(report, s, k);
    std::vector<std::uint32_t> sorted = spacing;
    const auto middle = sorted.begin() + qsizetype(sorted.size() / 2);
    std::nth_element(sorted.begin(), middle, sorted.end());
    s.interval = *middle;
    const std::uint64_t limit = 3 * std::uint64_t(std::max<std::uint32_t>(s.interval, 1));
    for (qsizetype k = 0; k + 1 < n; ++k)
        if (spacing[size_t(k)] > limit)
            s.gaps.append(std::uint32_t(k));
}

// For every whole block of each level, where its lowest and highest value are.
void findExtremes(const Report& report, Series& s) {
    qsizetype size = 1;
    for (int level = 0; level < 2; ++level, size *= kBlock) {
        QList<std::uint32_t>& out = s.extremes[level];
        const qsizetype blocks = s.at.size() / (size * kBlock);
        out.resize(2 * blocks);
        for (qsizetype b = 0; b < blocks; ++b) {
            std::uint32_t lo = std::uint32_t(b * size * kBlock), hi = lo;
            for (qsizetype part = 0; part < kBlock; ++part) {
                const qsizetype first = (b * kBlock + part) * size;
                const std::uint32_t low = level ? s.extremes[0][2 * (first / kBlock)] : first;
                const std::uint32_t high = level ? s.extremes[0][2 * (first / kBlock) + 1] : first;
                if (s.tenths(report, low) < s.tenths(report, lo))
                    lo = low;
                if (s.tenths(report, high) > s.tenths(report, hi))
                    hi = high;
            }
            out[2 * b] = lo;
            out[2 * b + 1] = hi;
        }
    }
}

// Positions of the lowest and highest value from a to b (b excluded), by whole blocks where
// they fit.
void extremesBetween(const Report& report, const Series& s, qsizetype a, qsizetype b, qsizetype& lo,
                     qsizetype& hi) {
    lo = hi = a;
    const auto take = [&](qsizetype low, qsizetype high) {
        if (s.tenths(report, low) < s.tenths(report, lo))
            lo = low;
        if (s.tenths(report, high) > s.tenths(report, hi))
            hi = high;
    };
    for (qsizetype k = a; k < b;) {
        if (k % kBlock == 0 && k + kBlock <= b) {
            const int level = k % (kBlock * kBlock) == 0 && k + kBlock * kBlock <= b ? 1 : 0;
            const qsizetype size = level ? kBlock * kBlock : kBlock;
            const qsizetype block = k / size;
            take(s.extremes[level][2 * block], s.extremes[level][2 * block + 1]);
            k += size;
        } else {
            take(k, k);
            ++k;
        }
    }
}

} // namespace

QList<Quantity> Quantities(const Report& report) {
    // Series by sensor and value; the readings come in time order.
    QList<Series> all;
    std::vector<std::int32_t> index(size_t(report.sensors.size()) * 2, -1);
    const auto seriesOf = [&](std::uint32_t sensor, bool second) -> Series& {
        std::int32_t& i = index[sensor * 2 + second];
        if (i < 0) {
            i = std::int32_t(all.size());
            const Sensor& s = report.sensors[sensor];
            all.append(Series{});
            all.last().name = s.name() + (second && s.kind == RX ? QStringLiteral(" (2)") : "");
            all.last().sensor = sensor;
            all.last().second = second;
        }
        return all[i];
    };
    for (qsizetype i = 0; i < report.readings.size(); ++i) {
        const Reading& r = report.readings[i];
        const bool bt = report.sensors[r.sensor].kind == BT;
        Series& first = seriesOf(r.sensor, false);
        // A BT reading always has both values: its humidity shares the temperature's positions.
        Series* second = r.hasValue2 ? &seriesOf(r.sensor, true) : nullptr;
        if (r.time == kNoTime) {
            ++first.untimed;
            if (second)
                ++second->untimed;
            continue;
        }
        first.at.append(std::uint32_t(i));
        if (second && !bt)
            second->at.append(std::uint32_t(i));
    }
    QList<Quantity> charts(Charts);
    for (int c = 0; c < Charts; ++c)
        charts[c] = {QString::fromUtf8(kTitles[c]), QString::fromUtf8(kUnits[c]), {}};
    for (Series& s : all) // shared, not copied
        if (s.second && report.sensors[s.sensor].kind == BT)
            s.at = all[index[s.sensor * 2]].at;
    for (Series& s : all) {
        for (qsizetype k = 0; k < s.at.size(); ++k)
            if (report.readings[s.at[k]].lowBat)
                s.lowBat.append(std::uint32_t(k));
        findGaps(report, s);
        findExtremes(report, s);
        charts[chartOf(report.sensors[s.sensor].kind, s.second)].series.append(std::move(s));
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

QList<QPolygonF> Reduce(const Report& report, const Series& s, double x0, double x1, int columns) {
    QList<QPolygonF> lines;
    const qsizetype n = s.at.size();
    if (n == 0 || !(x1 > x0))
        return lines;
    columns = std::max(columns, 1);
    // The first position from `from` on whose time is at or after ms.
    const auto positionOf = [&](double ms, qsizetype from) {
        const double seconds = std::ceil(ms / 1000);
        return qsizetype(std::partition_point(s.at.begin() + from, s.at.end(),
                                              [&](std::uint32_t i) {
                                                  return double(report.readings[i].time) < seconds;
                                              }) -
                         s.at.begin());
    };
    const qsizetype inside = positionOf(x0, 0);
    const qsizetype after = positionOf((std::floor(x1 / 1000) + 1) * 1000, inside);

    qsizetype previous = -1;
    const auto add = [&](qsizetype k) {
        // A new line where a gap lies between this point and the one before.
        if (previous < 0 || std::lower_bound(s.gaps.begin(), s.gaps.end(), previous) !=
                                std::lower_bound(s.gaps.begin(), s.gaps.end(), k))
            lines.append(QPolygonF());
        lines.last().append(
            QPointF(double(timeOf(report, s, k)) * 1000, s.tenths(report, k) / 10.0));
        previous = k;
    };
    if (inside > 0)
        add(inside - 1); // the line comes in from the left edge
    if (after - inside <= 2 * qsizetype(columns)) {
        for (qsizetype k = inside; k < after; ++k)
            add(k);
    } else {
        const double width = (x1 - x0) / columns;
        for (qsizetype k = inside, c = 1; k < after; ++c) {
            const qsizetype end =
                c == columns ? after : std::min(positionOf(x0 + c * width, k), after);
            if (end == k)
                continue;
            qsizetype lo = 0, hi = 0;
            extremesBetween(report, s, k, end, lo, hi);
            add(std::min(lo, hi));
            if (lo != hi)
                add(std::max(lo, hi));
            k = end;
        }
    }
    if (after < n)
        add(after); // and goes on to the right edge
    return lines;
}

QList<Statistics> StatisticsOf(const Report& report, const QList<Quantity>& charts) {
    QList<Statistics> out;
    for (const Quantity& q : charts) {
        for (const Series& s : q.series) {
            Statistics st;
            st.series = s.name;
            st.quantity = q.title;
            st.unit = q.unit;
            st.interval = s.interval;
            st.gaps = s.gaps.size();
            for (const std::uint32_t k : s.gaps) {
                const std::uint32_t gap = timeOf(report, s, k + 1) - timeOf(report, s, k);
                if (gap > st.longestGap) {
                    st.longestGap = gap;
                    st.longestGapStart = timeText(report.readings[s.at[k]]);
                }
            }
            const qsizetype n = s.at.size();
            double sum = 0;
            const Reading *min = nullptr, *max = nullptr;
            for (qsizetype k = 0; k < n; ++k) {
                const Reading& r = report.readings[s.at[k]];
                const double v = s.tenths(report, k) / 10.0;
                if (!min || v < st.minimum)
                    st.minimum = v, min = &r;
                if (!max || v > st.maximum)
                    st.maximum = v, max = &r;
                sum += v;
                st.lowBat += r.lowBat;
            }
            st.readings = n + s.untimed;
            if (n > 0) {
                st.mean = sum / double(n);
                st.first = timeText(report.readings[s.at.first()]);
                st.last = timeText(report.readings[s.at.last()]);
                st.minimumAt = timeText(*min);
                st.maximumAt = timeText(*max);
            }
            out.append(st);
        }
    }
    return out;
}

QString SpanText(std::uint32_t seconds) {
    const std::uint32_t d = seconds / 86400, h = seconds / 3600 % 24, m = seconds / 60 % 60;
    if (d > 0)
        return h ? QStringLiteral("%1 d %2 h").arg(d).arg(h) : QStringLiteral("%1 d").arg(d);
    if (h > 0)
        return m ? QStringLiteral("%1 h %2 min").arg(h).arg(m) : QStringLiteral("%1 h").arg(h);
    if (m > 0 && seconds % 60 == 0)
        return QStringLiteral("%1 min").arg(m);
    if (m > 0)
        return QStringLiteral("%1 min %2 s").arg(m).arg(seconds % 60);
    return QStringLiteral("%1 s").arg(seconds);
}

} // namespace view
