#include "view/render/denselines.h"

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace view {
inline namespace render {

namespace {

// Fills the spans, whole pixels in one opaque colour, straight into the pixels of the image
// being painted, where that gives the pixels the painter would: a year of history fills
// millions of them a repaint, and the painter's cost per one-pixel-wide rectangle is most of
// that. False where it cannot (another device, a rotation, a clip that is not a rectangle).
bool fillSpansInImage(QPainter& p, const QList<QRectF>& spans, const QColor& colour) {
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
    for (const QRectF& span : spans) {
        // Spans lie on device pixels: rounded, not widened to the pixels they touch.
        const QRectF d = toDevice.mapRect(span);
        const QRect r =
            QRect(QPoint(int(std::lround(d.left())), int(std::lround(d.top()))),
                  QPoint(int(std::lround(d.right())) - 1, int(std::lround(d.bottom())) - 1)) &
            bounds;
        for (int y = r.top(); y <= r.bottom(); ++y)
            std::fill_n(reinterpret_cast<QRgb*>(bits + y * stride) + r.left(), r.width(), pixel);
    }
    return true;
}

} // namespace

void drawDense(QPainter& p, const QPolygonF& screen, const QPen& pen, qreal ratio) {
    QList<QRectF> spans;
    QList<QLineF> joins;
    const auto device = [&](qsizetype i) { return screen[i] * ratio; };
    int column = int(std::floor(device(0).x()));
    double top = device(0).y(), bottom = top;
    const auto span = [&] {
        const double y = double(std::lround(top));
        spans.append(QRectF(column / ratio, y / ratio, 1 / ratio,
                            (double(std::lround(bottom)) - y + 1) / ratio));
    };
    for (qsizetype i = 1; i < screen.size(); ++i) {
        const QPointF at = device(i);
        const int x = int(std::floor(at.x()));
        if (x != column) {
            span();
            if (x == column + 1) { // from where the column before ended
                top = std::min(device(i - 1).y(), at.y());
                bottom = std::max(device(i - 1).y(), at.y());
            } else {
                joins.append(QLineF(screen[i - 1], screen[i]));
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
        for (const QRectF& r : std::as_const(spans))
            p.drawRect(r);
    }
    p.setPen(pen);
    p.drawLines(joins);
}

} // namespace render
} // namespace view
