#pragma once
// Where a label can go on a plot without hiding anything drawn there: the rows each pixel column
// of the plot has drawn in, and the first box along a row that meets none of them.

#include <QList>
#include <QPointF>
#include <QRect>
#include <utility>

namespace view {
inline namespace render {

class FreeSpace {
public:
    explicit FreeSpace(const QRect& plot);
    /// Marks what a line from a to b covers, with pad pixels around it (a lone point: a == b).
    void addLine(QPointF a, QPointF b, double pad);
    /// Marks a box.
    void addBox(const QRectF& box);
    /// The rightmost box of size with its top at top, within the plot, that meets nothing
    /// marked; false where there is none.
    bool find(QSize size, int top, QRect& box) const;

private:
    QRect plot_;
    QList<QList<std::pair<float, float>>> taken_; // per column of the plot: rows from, to
};

} // namespace render
} // namespace view
