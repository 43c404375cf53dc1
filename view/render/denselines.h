#pragma once
// A line denser than the pixels it is drawn on: filled column by column, straight into an image's
// pixels where it can, rather than stroked.

#include <QPen>
#include <QPolygonF>

class QPainter;

namespace view {
inline namespace render {

/// Draws a dense line, in screen points: each device pixel column's span filled, with the step
/// from the column before, and lines where points lie columns apart. The same pixels as the
/// line's steep strokes, at a fraction of the cost of drawing them. ratio: device pixels per
/// point.
void drawDense(QPainter& p, const QPolygonF& screen, const QPen& pen, qreal ratio);

} // namespace render
} // namespace view
