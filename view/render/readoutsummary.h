#pragma once
// What came in with a read-out, told after it in the window's log and zelm-download's: the
// logger by the sensors its records hold, the period, readings per sensor, and each excursion
// and the LOWBAT readings as warnings; shown values, names and limits as zelm-view has them.
// And zelm-download --report: the PDF and the statistics CSV of that read-out.

#include "core/host.h"
#include "view/model/sensorsettings.h"

#include <QList>
#include <QString>

namespace view {
inline namespace render {

/// A line of a read-out's summary, with its severity.
struct SummaryLine {
    QString text;
    core::Severity severity = core::Severity::Info;
};

/// The summary of the report kept at keptPath: "Logger with TX 00042, BT 00:1A:2B:3C:4D:5E";
/// the period its readings cover; each sensor's readings, named as the settings name it; each
/// excursion beyond a limit (at most ten a series, then how many more) and each sensor's LOWBAT
/// readings, as warnings. Nothing for a report without readings.
QList<SummaryLine> readOutSummary(const QString& keptPath, const SensorSettings& settings);

/// Logs the summary of the report kept at keptPath, with the settings file at settingsFile.
void tellReadOut(core::StatusLog& log, const QString& keptPath, const QString& settingsFile);

/// Writes the PDF report and the statistics CSV of the report kept at keptPath, with the
/// settings file at settingsFile, into folder as new files named after the kept one's stamp
/// ("zelm-report-<stamp>.pdf", "zelm-statistics-<stamp>.csv", a suffix where taken); the PDF says
/// whether the kept file was verified against its journal. Their paths, or false with why.
bool writeReadOutReport(const QString& folder, const QString& keptPath, const QString& settingsFile,
                        QStringList& written, QString& why);

} // namespace render
} // namespace view
