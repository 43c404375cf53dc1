#pragma once
// zelm-view's window: one chart per quantity against time, a statistics table, exports.

#include "view/charts.h"
#include "view/readings.h"

#include <QChartView>
#include <QMainWindow>

class QDateTimeAxis;
class QPainter;
class QScatterSeries;
class QTableWidget;
class QVBoxLayout;
class QValueAxis;

namespace view {

/// One quantity's chart. Each series is drawn reduced to the plot's pixel columns and drawn
/// again when the time range changes, so a million points cost what a few thousand do.
class ChartPanel : public QChartView {
    Q_OBJECT
public:
    ChartPanel(Quantity quantity, QWidget* parent = nullptr);
    /// Shows x0 to x1 (ms since the epoch) and draws the series again for that range.
    void setTimeRange(double x0, double x1);
    double fullStart() const { return start_; }
    double fullEnd() const { return end_; }
    double timeStart() const { return x0_; }
    double timeEnd() const { return x1_; }

signals:
    /// The user zoomed this chart (wheel or dragged rectangle).
    void zoomed(double x0, double x1);

protected:
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void redraw();
    void hovered(int series, const QPointF& point, bool state);

    Quantity quantity_;
    QDateTimeAxis* time_;
    QValueAxis* values_;
    QScatterSeries* lowBat_;
    double start_ = 0, end_ = 1, x0_ = 0, x1_ = 1;
    bool applying_ = false;
};

class Viewer : public QMainWindow {
    Q_OBJECT
public:
    explicit Viewer(QWidget* parent = nullptr);
    /// Reads the report at path. False, with error set, when it cannot be read or holds no
    /// readings; the window then keeps what it showed.
    bool open(const QString& path, QString& error);
    /// Shows a report read already, from the file at path.
    void showReport(Report report, const QString& path);
    bool exportPng(const QString& path) const;
    bool exportSvg(const QString& path) const;
    bool exportCsv(const QString& path, QString& error) const;
    /// Every chart back to the report's whole time range.
    void resetZoom();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void openChosen(const QString& path);
    void exportChosen(const QString& filter);
    QSize chartsSize() const;
    void renderCharts(QPainter& painter) const;

    Report report_;
    QList<ChartPanel*> panels_;
    QWidget* charts_;
    QVBoxLayout* chartsLayout_;
    QTableWidget* statistics_;
};

} // namespace view
