#pragma once
// One quantity's chart, painted by hand: lines broken at gaps, a qualitative palette with line
// styles, calendar-round time ticks and a legend. The same painting serves the window and the
// exported PNG and SVG.

#include "view/charts.h"

#include <QImage>
#include <QWidget>
#include <functional>

class QPainter;

namespace view {

/// How the i-th sensor drawn is drawn: ten well-separated colours, then other dashes. A sensor
/// has the same pen in every chart (its place among the sensors drawn, by kind and identifier).
QPen seriesPen(int i);

class ChartPanel : public QWidget {
    Q_OBJECT
public:
    /// report must outlive the panel.
    ChartPanel(const Report& report, Quantity quantity, QWidget* parent = nullptr);
    /// Shows x0 to x1 (ms since the epoch).
    void setTimeRange(double x0, double x1);
    /// Draws only the series of sensors in shown (by sensor number).
    void setShownSensors(const QList<bool>& shown);
    /// Whether any reading drawn has a valid date and time; else the time range is a stand-in.
    bool timed() const { return timed_; }
    double fullStart() const { return start_; }
    double fullEnd() const { return end_; }
    double timeStart() const { return x0_; }
    double timeEnd() const { return x1_; }
    /// The height the chart takes at width, with its legend.
    int heightFor(int width) const;
    /// Paints the chart into rect of painter.
    void paintChart(QPainter& painter, const QRect& rect);

signals:
    /// The user zoomed this chart (wheel or dragged range).
    void zoomed(double x0, double x1);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QRect plotRect(const QRect& rect) const;
    double timeAt(int x) const;
    QList<int> drawn() const; // series indexes drawn, in legend order
    void choosePens(const QList<bool>& shown);

    const Report& report_;
    Quantity quantity_;
    QList<bool> shown_;  // per series: its sensor is chosen in the sensor list
    QList<bool> hidden_; // per series: switched off in the legend
    QList<int> pens_;    // per series: its sensor's pen
    QList<QPair<QRect, int>> legendHits_;
    QImage frame_; // the last repaint, kept for its pixels' memory
    std::function<double(int)> yAt_ = [](int) { return 0.0; }; // value at a height, as last painted
    double start_ = 0, end_ = 1, x0_ = 0, x1_ = 1;
    bool timed_ = false;
    int dragFrom_ = -1, dragTo_ = -1;
};

} // namespace view
