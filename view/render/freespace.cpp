#include "view/render/freespace.h"

#include <algorithm>
#include <cmath>

namespace view {
inline namespace render {

FreeSpace::FreeSpace(const QRect& plot) : plot_(plot), taken_(std::max(plot.width(), 0)) {}

void FreeSpace::addLine(QPointF a, QPointF b, double pad) {
    if (a.x() > b.x())
        std::swap(a, b);
    const int first = std::max(int(std::floor(a.x() - pad)), plot_.left());
    const int last = std::min(int(std::floor(b.x() + pad)), plot_.right());
    const double run = b.x() - a.x();
    // The line's rows over a column: where it enters and leaves it, within the line's ends.
    const auto yAt = [&](double x) {
        return run <= 0 ? a.y()
                        : a.y() + (std::clamp(x, a.x(), b.x()) - a.x()) / run * (b.y() - a.y());
    };
    for (int column = first; column <= last; ++column) {
        const double y0 = yAt(column - pad), y1 = yAt(column + 1 + pad);
        taken_[column - plot_.left()].append(
            {float(std::min(y0, y1) - pad), float(std::max(y0, y1) + pad)});
    }
}

void FreeSpace::addBox(const QRectF& box) {
    const int first = std::max(int(std::floor(box.left())), plot_.left());
    const int last = std::min(int(std::ceil(box.right())), plot_.right());
    for (int column = first; column <= last; ++column)
        taken_[column - plot_.left()].append({float(box.top()), float(box.bottom())});
}

bool FreeSpace::find(QSize size, int top, QRect& box) const {
    if (top <= plot_.top() || top + size.height() >= plot_.bottom() ||
        size.width() + 4 > plot_.width())
        return false;
    const float from = float(top), to = float(top + size.height());
    const auto free = [&](int column) {
        return std::none_of(
            taken_[column].begin(), taken_[column].end(),
            [&](const std::pair<float, float>& t) { return t.first <= to && t.second >= from; });
    };
    // From the right, where a reader looks for a line's label: the first run of free columns as
    // wide as the box, a column off the frame.
    int run = 0;
    for (int column = int(taken_.size()) - 3; column >= 2; --column) {
        run = free(column) ? run + 1 : 0;
        if (run == size.width()) {
            box = QRect(QPoint(plot_.left() + column, top), size);
            return true;
        }
    }
    return false;
}

} // namespace render
} // namespace view
