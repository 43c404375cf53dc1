#pragma once
// What zelm-view draws and tabulates, worked out from a report's readings: one chart per
// quantity with one series per sensor, each series' usual interval and gaps, statistics per
// series, and the reduction of a series to what a plot of some pixel columns can show.

#include "view/model/readings.h"

#include <QList>
#include <QPolygonF>
#include <QString>
#include <cmath>
#include <limits>
#include <optional>

namespace view {
inline namespace model {

/// The lowest and highest value of a block of a series' readings, and where they are.
struct Extremes {
    std::int32_t low, high;
    std::uint32_t lowAt, highAt;
};

/// One line of a chart: the timed readings of one sensor's first or second value, in time
/// order, as positions in the report's readings, with their times and values side by side
/// so that drawing any range reads little memory, and reads it in order.
struct Series {
    QString name;  // "TX 00042"; "RX 00042 (2)" for a second RX reading
    QString label; // the owner's name for it where there is one, else name
    std::uint32_t sensor = 0;
    bool second = false;         // BT humidity or the second RX reading
    QList<std::uint32_t> at;     // positions in Report::readings, in time order
    QList<std::uint32_t> times;  // of each, seconds since the epoch
    QList<std::int32_t> values;  // of each, tenths
    std::int64_t untimed = 0;    // readings of the series left out for want of a time
    std::uint32_t interval = 0;  // usual spacing in seconds (intervalOf); 0: none
    QList<std::uint32_t> gaps;   // k where at[k] to at[k + 1] is longer than three intervals
    QList<Extremes> extremes[4]; // per block of 8, 64, 512 and 4096 readings
    QList<std::uint32_t> lowBat; // k of the readings taken with a low battery
    Calibration calibration;     // shown = gain x decoded + offset, rounded to thousandths
    double ms(qsizetype k) const { return double(times[k]) * 1000; }
    /// The shown value of the k-th reading, or of a decoded one in tenths, in thousandths: the
    /// one number that is drawn, compared with limits, counted and written.
    std::int64_t shownAt(qsizetype k) const { return calibration.shown(values[k]); }
    std::int64_t shown(std::int32_t tenths) const { return calibration.shown(tenths); }
    /// The same in the quantity's unit, for drawing.
    double value(qsizetype k) const { return double(shownAt(k)) / 1000; }
    /// Whether a shown value (thousandths) lies beyond a limit; set with setLimits.
    bool outside(std::int64_t thousandths) const {
        return thousandths < lowest_ || thousandths > highest_;
    }
    /// The limits of the shown value, as written; none where not set.
    const std::optional<Decimal>& low() const { return low_; }
    const std::optional<Decimal>& high() const { return high_; }
    bool limited() const { return low_ || high_; }
    void setLimits(std::optional<Decimal> low, std::optional<Decimal> high);

private:
    std::optional<Decimal> low_, high_;
    // The shown values inside the limits, in thousandths: beyond a limit of billionths is
    // below its ceiling or above its floor.
    std::int64_t lowest_ = std::numeric_limits<std::int64_t>::min();
    std::int64_t highest_ = std::numeric_limits<std::int64_t>::max();
};

/// A chart: temperature (TX and BT), humidity (BT), RX readings or battery (BV).
struct Quantity {
    bool temperature = false;
    QString title;
    QString unit;
    QList<Series> series; // by kind and identifier
};

/// The usual interval of readings at these times (in time order): the median of the positive
/// spacings, the higher of the two middle ones for an even count; 0 where no two readings are
/// apart. Readings at the same second do not make it 0.
std::uint32_t intervalOf(const QList<std::uint32_t>& times);

/// The charts the report holds readings for, in a fixed order, their series named, calibrated
/// and limited as shown says (by sensor number; empty: as decoded). The report's readings must
/// be in time order (a history's are) and outlive the charts.
QList<Quantity> quantities(const Report& report, const QList<Shown>& shown = {});

/// For every whole block of each level of series.extremes, its lowest and highest value and
/// where they are: reduce takes a column's extremes from these without reading the values
/// between.
void findExtremes(Series& series);

/// The points to draw of a series between x0 and x1 (ms since the epoch) on a plot columns
/// pixels wide, as lines broken at the series' gaps: every column's lowest and highest reading
/// in time order, and the nearest reading outside the range on either side so that lines run to
/// the edges. Finds the range by time and each column's extremes by block, so a zoom costs about
/// the same on a year as on a week. x in ms, y the shown value in the quantity's unit.
QList<QPolygonF> reduce(const Series& series, double x0, double x1, int columns);

/// The time span of a chart's readings in ms, a single moment widened to a minute around it;
/// false where no reading has a valid date and time.
bool timeSpan(const Quantity& quantity, double& start, double& end);

} // namespace model
} // namespace view
