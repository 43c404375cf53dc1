#pragma once
// Statistics of the series zelm-view charts: counts, times, extremes, mean and spread, gaps,
// and against the owner's limits the excursions and the mean kinetic temperature.

#include "view/charts.h"

#include <QList>
#include <QString>
#include <cmath>
#include <limits>

namespace view {

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
