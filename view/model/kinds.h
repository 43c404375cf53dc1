#pragma once
// The kinds of sensor in one table: what each kind's values measure, whether it has a second
// value, and which of the settings a sensor section can hold apply to it. Every part of
// zelm-view asks this table rather than comparing kind names.

#include "report/record.h"

#include <QString>
#include <QStringView>

namespace view {
inline namespace model {

// The kinds of sensor are the kinds of record.
using report::Kind;
using report::TX, report::BT, report::RX, report::BV;

/// What a sensor's value measures, in the order zelm-view charts them.
enum Measure { TemperatureMeasure, HumidityMeasure, RxMeasure, BatteryMeasure, kMeasures };

/// The numbers a sensor's settings can hold, in the order the Sensors dialog shows them: the
/// calibration of the first and second value, the limits of each measure, and (for all sensors
/// only) the activation energy of the mean kinetic temperature.
enum Field {
    Offset,
    Gain,
    Offset2,
    Gain2,
    TemperatureLow,
    TemperatureHigh,
    HumidityLow,
    HumidityHigh,
    RxLow,
    RxHigh,
    BatteryLow,
    BatteryHigh,
    ActivationEnergy,
    kFields
};
/// The key of each field in the settings file.
extern const char* const kFieldKeys[kFields];
/// The Low and High fields of a measure's limits.
inline Field lowField(Measure q) {
    return Field(TemperatureLow + 2 * q);
}
inline Field highField(Measure q) {
    return Field(TemperatureHigh + 2 * q);
}
/// Whether f is a Low or High limit, and the measure it limits.
bool isLimit(Field f);
Measure limitedMeasure(Field f);

/// Whether a kind's records carry a second value: never, sometimes (RX: one reading or two) or
/// always (BT: its humidity).
enum class Second { Never, Sometimes, Always };

struct KindInfo {
    Measure first;
    Second second;
    Measure secondMeasure; // where it has a second value
};
/// The table's row of a kind.
const KindInfo& kindInfo(Kind kind);
/// The measure of a sensor's first value, or of its second.
Measure measureOf(Kind kind, bool second);
/// Whether a sensor of this kind has the field: a second calibration only where it has a second
/// value, limits only of what its values measure, never the activation energy (shared by all).
bool applies(Kind kind, Field f);
/// The kind a sensor's name starts with ("TX 00042", any case); false for none.
bool kindOfName(QStringView name, Kind& kind);

/// A measure's chart title, its unit ("°C", "%", "", "V") and its key in files ("temperature").
QString measureTitle(Measure q);
QString measureUnit(Measure q);
/// A unit as a heading names it: the unit, or "no unit" where the logger sends plain numbers
/// (the RX readings), so that a missing unit is said rather than left out.
QString unitHeading(const QString& unit);
const char* measureKey(Measure q);

} // namespace model
} // namespace view
