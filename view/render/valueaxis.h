#pragma once
// The value axis of a chart: round steps between the lowest and highest value shown.

#include <QList>

namespace view {
inline namespace render {

/// The values the value axis is labelled at: round steps (1, 2 or 5 times a power of ten)
/// between low and high, at most most of them where that leaves four, else the four or more of
/// the largest step that gives four.
QList<double> valueTicks(double low, double high, int most);

} // namespace render
} // namespace view
