#pragma once
// The checks of a sensor's settings, shared by the settings reader and the Sensors dialog: one
// value of a field, and a low/high pair of limits. Each finds problems as values (sensor, field,
// reason), which the reader turns into the lines it ignores and the dialog into marked cells.

#include "view/model/decimal.h"
#include "view/model/kinds.h"

#include <QList>
#include <QString>
#include <optional>

namespace view {
inline namespace model {

enum class Reason {
    NotANumber,    // not digits with a point as decimal separator
    ZeroGain,      // would show every reading as the offset
    OutOfBounds,   // beyond what the field takes
    LowAboveHigh,  // a section's own low limit above its own high one
    AgainstShared, // a sensor's own limit beyond the shared one it is paired with
    TooPrecise     // more decimals than a setting keeps exactly (kSettingDecimals)
};

struct Problem {
    QString sensor; // as the charts name it ("TX 00042"); empty: the limits for all sensors
    Field field;
    Reason reason;
    QString why; // in words, with the values
};

/// The values a section sets, by field; none where it sets none or cannot use what it sets.
using FieldValues = std::optional<double>[kFields];
/// The same, exactly: the decimals as written.
using ExactValues = std::optional<Decimal>[kFields];

/// Whether text is a value field f can hold: nothing, with value set, or the problem. A number
/// is digits with an optional point and decimals, an optional sign and exponent: a comma makes
/// it no number. At most 9 decimals (the value's, exponent applied; trailing zeros do not
/// count). Bounds: offsets -100000 to 100000; gains 0.001 to 1000 either side of 0; limits
/// -1000000 to 1000000; the activation energy above 0, at most 1000 kJ/mol. So a value has 15
/// significant digits at most, and the double nearest to it (the other overload) names it alone
/// and compares with another as the decimals do.
std::optional<Problem> checkField(const QString& sensor, Field f, const QString& text,
                                  Decimal& value);
std::optional<Problem> checkField(const QString& sensor, Field f, const QString& text,
                                  double& value);

/// The limit pairs that cannot hold of the section of sensor (own) and, for a sensor, the
/// shared limits its own are paired with (shared, else null). A pair both of whose limits the
/// section sets is checked alone and both fields are named; a pair of one own limit and one
/// shared names the own one.
QList<Problem> checkLimits(const QString& sensor, const FieldValues& own,
                           const FieldValues* shared);
QList<Problem> checkLimits(const QString& sensor, const ExactValues& own,
                           const ExactValues* shared);

/// A value as the settings file writes it: a point as decimal separator, no exponent, no more
/// digits than it needs to read back equal.
QString fieldText(double value);
/// A field as the Sensors dialog heads its column: "Offset 2", "Temperature low".
QString fieldLabel(Field f);

} // namespace model
} // namespace view
