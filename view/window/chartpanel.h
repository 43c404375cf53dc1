#pragma once
// One chart in the window: the mouse on it. Painting is chartpainter's; the panel keeps only what
// the user chose (the time range, the lines hidden in the legend) and turns wheel, drags and
// clicks into them. The keys that zoom and pan are the window's, for all charts at once.

#include "view/model/timerange.h"
#include "view/render/chartpainter.h"

#include <QImage>
#include <QWidget>

namespace view {
inline namespace window {

class ChartPanel : public QWidget {
    Q_OBJECT
public:
    explicit ChartPanel(Quantity quantity, QWidget* parent = nullptr);
    /// The time span of the chart's readings; false where none has a valid date and time.
    bool timeSpan(TimeRange& span) const;
    /// The range zooming and panning stay within: every chart's whole span.
    void setFullRange(const TimeRange& full) { full_ = full; }
    /// Shows range (within the full range).
    void setTimeRange(const TimeRange& range);
    TimeRange timeRange() const { return {view_.x0, view_.x1}; }
    /// Draws the series of the sensors drawn (by sensor number) with their pens (sensorPens).
    void setShownSensors(const QList<bool>& drawn, const QList<int>& pens);
    const ChartView& chartView() const { return view_; }
    /// Switches a series' line off or on, as a click on its legend entry does.
    void setLineHidden(int series, bool hidden);

signals:
    /// The user zoomed or panned this chart.
    void rangeChanged(const view::TimeRange& range);

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    double timeAt(double x) const;
    void changeRange(const TimeRange& range);
    void showReadingAt(QMouseEvent* event);

    Quantity quantity_;
    ChartView view_;
    ChartLayout layout_; // as last painted
    TimeRange full_;
    QImage frame_;                    // the last repaint, kept for its pixels' memory
    int dragFrom_ = -1, dragTo_ = -1; // a range dragged to zoom to
    double panFrom_ = -1;             // where a pan grabbed the axis, in pixels; -1: none
    TimeRange panStart_;
};

} // namespace window
} // namespace view
