// The reduction of a series to what a plot of some pixel columns shows: each column's lowest and
// highest reading, found by blocks of readings whose extremes are worked out once.
#include "view/model/charts.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace view {
inline namespace model {

namespace {

constexpr int kLevels = 4;
constexpr int kBlockBits = 3; // 8 readings a block of the first level, 8 blocks of each the next
constexpr qsizetype kBlock = qsizetype(1) << kBlockBits;

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

} // namespace

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

} // namespace model
} // namespace view
