#pragma once
// What zelm-view draws and tabulates, worked out from a report's readings: one chart per
// quantity with one series per sensor, each series' usual interval and gaps, statistics per
// series, and the reduction of a series to what a plot of some pixel columns can show.

#include "view/readings.h"

#include <QList>
#include <QPolygonF>
#include <QString>
#include <cmath>

namespace view {

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
    std::uint32_t interval = 0;  // usual spacing in seconds: the median; 0 below two readings
    QList<std::uint32_t> gaps;   // k where at[k] to at[k + 1] is longer than three intervals
    QList<Extremes> extremes[4]; // per block of 8, 64, 512 and 4096 readings
    QList<std::uint32_t> lowBat; // k of the readings taken with a low battery
    double gain = 1, offset = 0; // of the calibration: shown = gain x decoded + offset
    double low = std::numeric_limits<double>::quiet_NaN(); // limits of the shown value, NaN: none
    double high = std::numeric_limits<double>::quiet_NaN();
    double ms(qsizetype k) const { return double(times[k]) * 1000; }
    /// The shown value of a decoded one in tenths.
    double shown(std::int32_t tenths) const { return gain * tenths / 10.0 + offset; }
    double value(qsizetype k) const { return shown(values[k]); }
    bool outside(double v) const { return v < low || v > high; } // false against NaN
    bool limited() const { return !std::isnan(low) || !std::isnan(high); }
};

/// A chart: temperature (TX and BT), humidity (BT), RX readings or battery (BV).
struct Quantity {
    bool temperature = false;
    QString title;
    QString unit;
    QList<Series> series; // by kind and identifier
};

/// The charts the report holds readings for, in a fixed order, their series named, calibrated
/// and limited as shown says (by sensor number; empty: as decoded). The report's readings must
/// be in time order (a history's are) and outlive the charts.
QList<Quantity> quantities(const Report& report, const QList<Shown>& shown = {});

/// The points to draw of a series between x0 and x1 (ms since the epoch) on a plot columns
/// pixels wide, as lines broken at the series' gaps: every column's lowest and highest reading
/// in time order, and the nearest reading outside the range on either side so that lines run to
/// the edges. Finds the range by time and each column's extremes by block, so a zoom costs about
/// the same on a year as on a week. x in ms, y the shown value in the quantity's unit.
QList<QPolygonF> reduce(const Series& series, double x0, double x1, int columns);

/// Statistics of one series over all its readings; times as "yyyy-MM-dd hh:mm:ss", or the
/// stamp as decoded where it is not a valid date and time.
struct Statistics {
    QString series;
    QString label; // the owner's name where there is one
    QString quantity;
    QString unit;
    std::int64_t readings = 0;
    QString first, last;
    double minimum = 0, maximum = 0, mean = 0;
    double deviation = 0; // the sample standard deviation; 0 below two readings
    QString minimumAt, maximumAt;
    std::int64_t lowBat = 0;
    std::uint32_t interval = 0; // seconds
    std::int64_t gaps = 0;
    std::uint32_t longestGap = 0; // seconds
    QString longestGapStart;
    // Against the series' limits, NaN where none is set. An excursion is a run of readings
    // outside them, broken by a reading inside or a gap; each reading outside counts the time to
    // the next one, at most the usual interval, the last one the usual interval.
    double low = std::numeric_limits<double>::quiet_NaN();
    double high = std::numeric_limits<double>::quiet_NaN();
    std::int64_t excursions = 0;
    std::int64_t outside = 0;          // seconds
    std::int64_t longestExcursion = 0; // seconds
    QString longestExcursionStart;
    double meanKinetic = std::numeric_limits<double>::quiet_NaN(); // °C; temperature series only
};
/// The activation energy of the mean kinetic temperature unless the owner sets another, kJ/mol.
inline constexpr double kDefaultActivationEnergy = 83.144;

/// activationEnergy in kJ/mol, for the mean kinetic temperature.
QList<Statistics> statisticsOf(const Report& report, const QList<Quantity>& charts,
                               double activationEnergy = kDefaultActivationEnergy);

/// The mean kinetic temperature of readings in °C, as it adds them: NaN when there are none or
/// one lies at or below absolute zero.
class MeanKinetic {
public:
    explicit MeanKinetic(double activationEnergy); // kJ/mol
    void add(double celsius);
    double result() const; // °C
private:
    double ratio_;               // activation energy over the gas constant, in kelvin
    double largest_ = -INFINITY; // of the exponents so far, which the sum is scaled by
    double sum_ = 0;
    std::int64_t count_ = 0;
    bool invalid_ = false;
};

/// Limits as text: "2 to 8 °C", "at most 60 %", "at least 2 °C"; empty where none is set.
QString limitsText(double low, double high, const QString& unit);

/// A span of seconds as text: "45 s", "5 min", "2 h 30 min", "3 d 4 h".
QString spanText(std::uint32_t seconds);

} // namespace view
