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
//   [Report]                 the heading of a printed report, each line where set
//   Site=Cold store 3
//   Title=Monthly record     (also Operator=, Comment=)
//
// Numbers take a point as decimal separator whatever the locale, and stay within bounds (see
// checkField in fields.h). The readings and the report files never change: all of this applies to
// what is shown and exported.

#include "files/regularfile.h"
#include "view/model/fields.h"
#include "view/model/readings.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>
#include <optional>

namespace view {
inline namespace model {

/// The contents of one section: a name (sensors only) and the fields it sets, exactly.
struct SectionSettings {
    QString name;
    ExactValues field;
    /// Each field's value as the file writes it (its first line in the section), empty where
    /// none: also where the line cannot be used, so that an editor shows it as it stands.
    QString text[kFields];
    bool isEmpty() const;
};

inline const QString kLimitsSection = QStringLiteral("Limits");
inline const QString kReportSection = QStringLiteral("Report");
/// A sensor's section is this and its name as the charts write it: "[Sensor TX 00042]".
inline const QString kSensorPrefix = QStringLiteral("Sensor ");
/// The key of a sensor's name in its section.
inline const QString kNameKey = QStringLiteral("Name");

/// The heading a printed report opens with: from the [Report] section, or zelm-view's options.
struct ReportHeading {
    QString site, title, operatorName, comment;
};

/// A line of the settings file read as if it were missing, and why.
struct IgnoredLine {
    int line = 0;
    QString text; // "Key=value" as written
    QString why;
    /// "line N: Key=value: why"
    QString said() const;
};

struct SensorSettings {
    /// Sensor sections by their sensor's name as the charts write it ("TX 00042"): upper case,
    /// single blanks (sensorKey).
    QMap<QString, SectionSettings> sensors;
    SectionSettings limits;
    ReportHeading report;
    /// Lines of the file read as if missing.
    QList<IgnoredLine> ignored;
    /// The section of a sensor, or null when it has none.
    const SectionSettings* of(const QString& sensorName) const;
    double activationEnergy() const;
};

/// The key sensors are kept by: the name as the charts write it, whatever its case and blanks.
QString sensorKey(const QString& sensorName);

/// The sensor and limit sections of a settings file's contents. Lines that cannot be used
/// (a number that does not parse, a gain of 0, a low limit above the high one, an unknown key or
/// section kind) are left out and listed in ignored; every other setting is kept.
SensorSettings parseSensorSettings(const QByteArray& contents);
/// The same, read from the file at path: a regular file within the settings' size limit; a
/// missing file holds no settings. status and why say what kept it from being read.
SensorSettings readSensorSettings(const QString& path, files::ReadStatus& status, QString& why);
SensorSettings readSensorSettings(const QString& path);
/// What a user should hear of the settings file at path: that it could not be read (unread:
/// why, else empty), and each line read as missing: "FILE line N: Key=value: why".
QStringList settingsRemarks(const QString& path, const QString& unread,
                            const SensorSettings& settings);

/// The key of a section's name: kLimitsSection's in capitals, a sensor's key, or empty for a
/// section not of these.
QString sectionKey(const QString& section);

/// How each sensor of the report is shown, by sensor number: its name and calibration, and its
/// limits (its own, else the shared ones) for the quantity of each value, exactly as written.
QList<Shown> shownSensors(const Report& report, const SensorSettings& settings);

/// Gain and offset that turn two readings into the true values of a reference, rounded to what
/// the shown values' thousandths need (the gain to 3 + log10 of the larger reading's magnitude
/// decimals, rounded up; the offset to thousandths): false when the readings are equal or the
/// true values are (no calibration gives those).
bool twoPointCalibration(double reading1, double true1, double reading2, double true2, double& gain,
                         double& offset);

} // namespace model
} // namespace view
