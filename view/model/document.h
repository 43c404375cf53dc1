#pragma once
// The history as the user has it shown, which the window and every export work from: the
// readings, the settings applied to them, the charts and statistics worked out from both, and
// what reading the files met, in words. No widget: the files zelm-view writes need none.

#include "view/model/charts.h"
#include "view/model/sensorsettings.h"
#include "view/model/statistics.h"
#include "view/model/timerange.h"

namespace view {
inline namespace model {

/// Sensors drawn at most: those with the most readings, when there are more. The palette's ten
/// colours and five dashes tell this many apart, and their legend still fits a page.
inline constexpr int kMaxDrawn = 50;

struct Document {
    Report report;
    QString title; // what was read: a file's or folder's name, or "3 files"
    SensorSettings settings;
    QList<Shown> shown;           // per sensor, from the settings
    QList<Quantity> charts;       // those with a reading that has a valid date and time
    QList<Statistics> statistics; // of every series
    QList<qint64> perSensor;      // readings per sensor
    TimeRange span;               // of every chart's readings, in ms
    /// Whether the files read were checked against the journal of read-outs, in words, for the
    /// PDF, which prints it where it is set.
    QString verification;

    /// Names, calibrations and limits from settings, and the charts and statistics again.
    void setSettings(SensorSettings settings);
    /// Sensor numbers in order of readings, most first; equal counts by number.
    QList<int> byReadings() const;
    /// Sensor numbers in order of kind, then identifier.
    QList<int> byIdentifier() const;
    /// Of the sensors ticked (by number), those drawn: at most kMaxDrawn, the most readings
    /// first. With nothing ticked given: all, up to kMaxDrawn.
    QList<bool> drawnOf(QList<bool> ticked = {}) const;
    /// First to last reading with a valid date and time, or that there is none.
    QString period() const;
};

/// The document of report read from what title names, shown with settings.
Document documentOf(Report report, const QString& title, SensorSettings settings);

/// Reads and merges the files and folders (readHistory) into report, with a title naming what
/// was read. False, with error set to one line naming what was read, when they hold no readings.
bool readFiles(const QStringList& paths, Report& report, QString& title, QString& error);
/// The same for a report read already from paths.
bool titleOf(const QStringList& paths, const Report& report, QString& title, QString& error);
/// What was read, in one line: files, records, unique readings, repeated, skipped; readings
/// without a valid date and time, lines that are not readings, bytes after the last record.
QString summaryOf(const Report& report);
/// What a user should hear of a reading, a line each: the files skipped, with why, the files of
/// read-outs cut short, and what was left out. Empty where every byte was read.
QStringList remarksOf(const Report& report);

} // namespace model
} // namespace view
