#pragma once
// Keeps a chart fast on long series without losing a peak: each pixel column of the plot gets
// the smallest and the largest point that falls into it, and no others.

#include <QList>
#include <QPointF>

namespace view {

/// The points of points (sorted by x) to draw between x0 and x1 on a plot columns pixels
/// wide: every column's minimum and maximum, in x order, plus the nearest point outside the
/// range on either side so that the lines run to the edges. A short series comes back whole.
QList<QPointF> ReducePerPixel(const QList<QPointF>& points, double x0, double x1, int columns);

} // namespace view
