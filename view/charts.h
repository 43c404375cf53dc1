#pragma once
// What zelm-view draws and tabulates, worked out from a report's readings: one chart per
// quantity with one series per sensor, and statistics per series.

#include "view/readings.h"

#include <QList>
#include <QPointF>
#include <QString>

namespace view {

/// One line of a chart: the timed readings of one sensor, sorted by time (x in ms since the
/// epoch, y in the quantity's unit), and those of them taken with a low battery.
struct SeriesData {
    QString name;
    QList<QPointF> points;
    QList<QPointF> lowBat;
    std::int64_t untimed = 0;
};

/// A chart: temperature (TX and BT), humidity (BT), RX readings or battery (BV).
struct Quantity {
    QString title;
    QString unit;
    QList<SeriesData> series;
};

/// The charts the report holds readings for, in a fixed order.
QList<Quantity> Quantities(const Report& report);

/// Statistics of one series over all its readings; times as "yyyy-mm-dd hh:nn:ss", or the
/// stamp as decoded where it is not a valid date and time.
struct Statistics {
    QString series;
    QString quantity;
    QString unit;
    std::int64_t readings = 0;
    QString first, last;
    double minimum = 0, maximum = 0, mean = 0;
    QString minimumAt, maximumAt;
    std::int64_t lowBat = 0;
};
QList<Statistics> StatisticsOf(const Report& report);

} // namespace view
