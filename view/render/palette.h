#pragma once
// The pens of a chart's series: ten colours of a qualitative palette, then other dashes, given to
// the sensors drawn by kind and identifier, so that a sensor has the same colour in every chart.

#include "view/model/readings.h"

#include <QList>
#include <QPen>

namespace view {
inline namespace render {

/// How the i-th sensor drawn is drawn: ten well-separated colours, then other dashes.
QPen seriesPen(int i);
/// Per sensor, its pen: the n-th of the sensors drawn, by kind and identifier, has the n-th pen,
/// so a sensor has the same colour in every chart.
QList<int> sensorPens(const Report& report, const QList<bool>& sensorsDrawn);

} // namespace render
} // namespace view
