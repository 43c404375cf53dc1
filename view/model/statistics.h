#pragma once
// Statistics of the series zelm-view charts: counts, times, extremes, mean and spread, gaps,
// and against the owner's limits the excursions and the mean kinetic temperature.
//
// Definitions (the README and the manual page say the same):
// - usual interval: the median of the positive spacings of a series' readings, the higher of
//   the two middle ones for an even count (intervalOf);
// - gap: a spacing longer than three usual intervals;
// - time a reading stands for: the time to the next reading, at most the usual interval; the
//   last reading stands for the usual interval;
// - excursion: a run of readings outside a limit, broken by a reading inside or by a gap; time
//   outside: the time its readings stand for;
// - MKT: each reading weighted by the time it stands for (equal weights where the readings
//   stand for no time at all), so that dense parts of a history do not outweigh sparse ones;
//   for equally spaced readings the same as the unweighted formula;
// - standard deviation: the sample one (n - 1), none below two readings.

#include "view/model/charts.h"
#include "view/model/decimal.h"

#include <QList>
#include <QString>
#include <cmath>
#include <limits>
#include <optional>

namespace view {
inline namespace model {

/// Statistics of one series over all its readings. Times are wall-clock times (kNoTime: none);
/// values as shown, exact: extremes in thousandths, mean and deviation from exact sums (none
/// where no reading is timed; a deviation needs two), limits as written. The mean kinetic
/// temperature is a double (NaN: none), as its logarithm and exponentials are.
struct Statistics {
    static constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
    QString series; // "TX 00042"; "RX 00042 (2)" for a second RX reading
    QString label;  // the owner's name where there is one
    Kind kind = TX;
    QByteArray id;
    Measure measure = TemperatureMeasure;
    bool second = false;
    QString quantity;
    QString unit;
    std::int64_t readings = 0; // timed and untimed
    std::uint32_t first = kNoTime, last = kNoTime;
    std::optional<std::int64_t> minimum, maximum;           // thousandths
    Moments moments;                                        // of the timed readings' shown values
    std::uint32_t minimumAt = kNoTime, maximumAt = kNoTime; // the first reading at either
    std::int64_t lowBat = 0;
    std::uint32_t interval = 0; // seconds; 0: none
    std::int64_t gaps = 0;
    std::uint32_t longestGap = 0; // seconds
    std::uint32_t longestGapStart = kNoTime;
    Calibration calibration;
    std::optional<Decimal> low, high; // the limits that apply
    std::int64_t excursions = 0;
    std::int64_t outside = 0;          // seconds
    std::int64_t longestExcursion = 0; // seconds
    std::uint32_t longestExcursionStart = kNoTime;
    double meanKinetic = kNone; // °C; temperature series only
    bool limited() const { return low || high; }
};
/// The activation energy of the mean kinetic temperature unless the owner sets another, kJ/mol.
inline constexpr double kDefaultActivationEnergy = 83.144;

/// One excursion of a series: a run of its readings outside a limit.
struct Excursion {
    std::uint32_t from = kNoTime, to = kNoTime; // its first and last reading
    std::int64_t readings = 0;
    std::int64_t seconds = 0;             // the time its readings stand for
    std::int64_t lowest = 0, highest = 0; // of its shown values, thousandths
};
/// The excursions of a series in time order, each as statisticsOf counts it.
QList<Excursion> excursionsOf(const Series& series);

/// activationEnergy in kJ/mol, for the mean kinetic temperature.
QList<Statistics> statisticsOf(const Report& report, const QList<Quantity>& charts,
                               double activationEnergy = kDefaultActivationEnergy);

/// The mean kinetic temperature of readings in °C, each with its weight, as it adds them: NaN
/// when they weigh nothing or one lies at or below absolute zero.
class MeanKinetic {
public:
    explicit MeanKinetic(double activationEnergy); // kJ/mol
    void add(double celsius, double weight = 1);
    double result() const; // °C
private:
    double ratio_;               // activation energy over the gas constant, in kelvin
    double largest_ = -INFINITY; // of the exponents so far, which the sum is scaled by
    double sum_ = 0;
    double weight_ = 0;
    bool invalid_ = false;
};

/// Limits as text: "2 to 8 °C", "at most 60 %", "at least 2 °C"; empty where none is set.
QString limitsText(const std::optional<Decimal>& low, const std::optional<Decimal>& high,
                   const QString& unit);
/// A calibration as text: "gain 1.01, offset -0.3", "offset 1.5"; "none" where it changes
/// nothing.
QString calibrationText(const Calibration& calibration);

/// A span of whole seconds as text, the one form of a duration wherever one is written in words:
/// days, hours, minutes and seconds, each part left out where it is 0 ("3 d 4 h 10 min 5 s",
/// "5 min", "31 s"), and "0 s" for none. The CSV writes the same seconds as a number.
QString spanText(std::int64_t seconds);

/// A shown value (thousandths) as the tables and the CSV write it; empty where there is none.
QString valueText(const std::optional<std::int64_t>& thousandths);
/// A double with that many decimals, a point as separator, never "-0.0"; empty for NaN.
QString fixedNumber(double value, int decimals);

} // namespace model
} // namespace view
