#include "view/reduce.h"

#include <algorithm>

namespace view {

QList<QPointF> ReducePerPixel(const QList<QPointF>& points, double x0, double x1, int columns) {
    const auto byX = [](const QPointF& p, double x) { return p.x() < x; };
    auto first = std::lower_bound(points.begin(), points.end(), x0, byX);
    auto last = std::lower_bound(first, points.end(), x1,
                                 [](const QPointF& p, double x) { return p.x() <= x; });
    if (first != points.begin())
        --first;
    if (last != points.end())
        ++last;
    if (last - first <= 2 * qsizetype(std::max(columns, 1)) || x1 <= x0)
        return QList<QPointF>(first, last);
    QList<QPointF> out;
    out.reserve(2 * columns + 2);
    const double perColumn = columns / (x1 - x0);
    const auto columnOf = [&](double x) {
        return std::clamp(int((x - x0) * perColumn), -1, columns);
    };
    auto it = first;
    while (it != last) {
        const int column = columnOf(it->x());
        auto low = it, high = it;
        for (++it; it != last && columnOf(it->x()) == column; ++it) {
            if (it->y() < low->y())
                low = it;
            if (it->y() > high->y())
                high = it;
        }
        if (low == high) {
            out.append(*low);
        } else {
            out.append(low < high ? *low : *high);
            out.append(low < high ? *high : *low);
        }
    }
    return out;
}

} // namespace view
