#pragma once
// zelm-view's window: a sensor list, one chart per quantity against time, a statistics table
// with what was read, exports.

#include "view/chartpanel.h"
#include "view/readings.h"
#include "view/sensorsettings.h"
#include "view/statistics.h"

#include <QMainWindow>

class QLabel;
class QListWidget;
class QPainter;
class QStackedWidget;
class QTableWidget;
class QVBoxLayout;

namespace view {

/// Sensors drawn at most: those with the most readings, when there are more. The palette's ten
/// colours and five dashes tell this many apart, and their legend still fits a page.
inline constexpr int kMaxDrawn = 50;

class Viewer : public QMainWindow {
    Q_OBJECT
public:
    explicit Viewer(QWidget* parent = nullptr);
    /// Reads the names, calibrations and limits of the sensors from the settings file at path,
    /// which the Sensors dialog writes, and shows what is open with them. False with why when
    /// the file could not be read (missing, or not a regular file): then no settings apply.
    bool setSettingsFile(const QString& path, QString& why);
    /// Lines of the settings file read as missing, each "FILE line N: Key=value: why", and a
    /// file that could not be read.
    QStringList settingsIgnored() const;
    /// Reads and merges the files and folders. False, with error set to one line naming what
    /// was read, when they hold no readings; the window then keeps what it showed.
    bool open(const QStringList& paths, QString& error);
    /// What open reads, without a window: the merged report and a title naming what was read.
    static bool read(const QStringList& paths, Report& report, QString& title, QString& error);
    /// Shows readings read already, from what title names.
    void showReport(Report report, const QString& title);
    /// Says in the window where it looked when there was nothing to show.
    void showNothing(const QString& message);
    bool exportPng(const QString& path);
    bool exportSvg(const QString& path);
    bool exportCsv(const QString& path, QString& error) const;
    /// The statistics table as CSV, one row per series (writeStatisticsCsv).
    bool exportStatistics(const QString& path, QString& error) const;
    /// The report as a paginated A4 PDF: title, period, files, statistics, one chart per
    /// quantity over the whole time range, page numbers.
    bool exportPdf(const QString& path, QString& error);
    /// Edits the sensors' names, calibrations and limits; OK writes the settings file.
    void editSensors();
    /// Every chart back to the whole time range.
    void resetZoom();
    /// Which sensors are drawn, by sensor number.
    QList<bool> shownSensors() const;
    /// What was read, in one line: files, records, unique readings, repeated, skipped.
    static QString summary(const Report& report);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    /// Charts, sensor list, statistics and status from report_ and the settings; again: keep
    /// the sensors ticked and the zoom, only the settings changed.
    void rebuild(bool again);
    void openChosen(const QStringList& paths);
    void exportChosen(const QString& filter);
    /// Sensor numbers in order of readings, most first; equal counts by number.
    static QList<int> byReadings(const QList<qint64>& perSensor);
    static constexpr int kChartWidth = 1100; // of an export
    void sensorsChanged();
    enum class Choice { Most, All, None };
    /// Ticks sensors in the list: the kMaxDrawn with most readings, all or none.
    void chooseSensors(Choice choice);
    /// Sensors an export draws: those shown, at most kMaxDrawn, the most readings first.
    QList<bool> exportedSensors() const;
    /// Paints the charts one below the other for an export; returns their size.
    QSize paintCharts(QPainter* painter);

    Report report_;
    QString title_;
    QString settingsPath_;
    SensorSettings settings_;
    QString settingsUnread_; // why the settings file could not be read, where it exists
    QList<Shown> shown_;     // per sensor, from the settings
    QList<Statistics> stats_;
    QList<qint64> perSensor_; // readings per sensor
    QList<ChartPanel*> panels_;
    double fullStart_ = 0, fullEnd_ = 1; // ms: every chart's whole time range
    QListWidget* sensors_;
    QStackedWidget* chartsPage_;
    QLabel* nothing_;
    QWidget* charts_;
    QVBoxLayout* chartsLayout_;
    QLabel* summary_;
    QTableWidget* statistics_;
    QListWidget* skipped_;
};

} // namespace view
