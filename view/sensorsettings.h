#pragma once
// What the owner says of the sensors, kept in the settings file beside the port: a name for each,
// a calibration of its values, and limits per quantity, shared in [Limits] or a sensor's own.
//
//   [Sensor TX 00042]        a sensor, named by kind and identifier as the charts name it
//   Name=Freezer 2
//   Offset=-0.3              first value: shown = Gain x decoded + Offset
//   Gain2=1.02               second value (BT humidity, the second RX reading)
//   TemperatureHigh=-15      overrides [Limits] for this sensor
//   [Limits]
//   TemperatureLow=2
//   ActivationEnergy=83.144  kJ/mol, for the mean kinetic temperature
//
// Numbers take a point as decimal separator whatever the locale, and stay within bounds (see
// checkField). The readings and the report files never change: all of this applies to what is
// shown and exported.

#include "settings/regularfile.h"
#include "view/readings.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>
#include <optional>

namespace view {

/// The numbers a section can hold, in the order the Sensors dialog shows them.
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

/// The contents of one section: a name (sensors only) and the fields it sets.
struct SectionSettings {
    QString name;
    std::optional<double> field[kFields];
    /// Each field's value as the file writes it (its first line in the section), empty where
    /// none: also where the line cannot be used, so that an editor shows it as it stands.
    QString text[kFields];
    bool isEmpty() const;
};

inline const QString kLimitsSection = QStringLiteral("Limits");

struct SensorSettings {
    /// Sensor sections by their sensor's name as the charts write it ("TX 00042"): upper case,
    /// single blanks (sensorKey).
    QMap<QString, SectionSettings> sensors;
    SectionSettings limits;
    /// Lines of the file read as if missing, each "line N: Key=value: why".
    QStringList ignored;
    /// The section of a sensor, or null when it has none.
    const SectionSettings* of(const QString& sensorName) const;
    double activationEnergy() const;
};

/// The key sensors are kept by: the name as the charts write it, whatever its case and blanks.
QString sensorKey(const QString& sensorName);

/// Whether text is a value field f can hold; returns why not, or an empty text with value set.
/// A number is digits with an optional point and decimals, an optional sign and exponent: a
/// comma makes it no number. Bounds: offsets -100000 to 100000; gains 0.001 to 1000 either side
/// of 0; limits -1000000 to 1000000; the activation energy above 0, at most 1000 kJ/mol.
QString checkField(Field f, const QString& text, double& value);
/// A limit pair that cannot hold: why, or an empty text.
QString checkLimits(const std::optional<double>& low, const std::optional<double>& high);
/// A value as the settings file writes it: a point as decimal separator, no exponent, no more
/// digits than it needs to read back equal.
QString fieldText(double value);

/// The sensor and limit sections of a settings file's contents. Lines that cannot be used
/// (a number that does not parse, a gain of 0, a low limit above the high one, an unknown key or
/// section kind) are left out and listed in ignored; every other setting is kept.
SensorSettings parseSensorSettings(const QByteArray& contents);
/// The same, read from the file at path: a regular file within the settings' size limit; a
/// missing file holds no settings. status and why say what kept it from being read.
SensorSettings readSensorSettings(const QString& path, settings::ReadStatus& status, QString& why);
SensorSettings readSensorSettings(const QString& path);
/// Changes to the sensor and limit sections, as the Sensors dialog makes them: by section
/// (kLimitsSection, or a sensor's name as the charts write it), each key changed ("Name" or a
/// field's key) with its new text; an empty text removes the key.
using SensorEdits = QMap<QString, QMap<QString, QString>>;
/// The contents with the edits written in, in one pass: a key's line replaced where it is set
/// (a key new to a section after the section's last line), every line of it in its section
/// removed where it is cleared (a later one would be read instead), a section added at the end
/// where it is new and removed where it is left empty (unless another of its name follows).
/// Only the first section of a name is changed, as only it is read. Nothing else changes:
/// lines the reader could not use, other keys and sections stay as they are written.
QByteArray withSensorEdits(const QByteArray& contents, const SensorEdits& edits);
/// Writes the edits into the file at path (a regular file, or none yet) through a temporary
/// file; false with error set when it cannot be read or written.
bool writeSensorEdits(const QString& path, const SensorEdits& edits, QString& error);

/// How each sensor of the report is shown, by sensor number: its name and calibration, and its
/// limits (its own, else the shared ones) for the quantity of each value.
QList<Shown> shownSensors(const Report& report, const SensorSettings& settings);

/// Gain and offset that turn two readings into the true values of a reference: false when the
/// readings are equal or the true values are (no calibration gives those).
bool twoPointCalibration(double reading1, double true1, double reading2, double true2, double& gain,
                         double& offset);

} // namespace view
