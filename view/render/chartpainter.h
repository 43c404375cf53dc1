#pragma once
// One quantity's chart, painted by hand into any painter and rectangle: lines broken at gaps, a
// qualitative palette with line styles, limits and the readings outside them, calendar-round
// time ticks and a legend. It depends only on what it is given (the series, which are drawn,
// their pens and the time range), so the window, the PNG, SVG and PDF exports and the tests
// paint the same pixels.

#include "view/model/charts.h"
#include "view/render/palette.h"
#include "view/render/valueaxis.h"

#include <QList>
#include <QPair>
#include <QPen>
#include <QRect>

class QPainter;

namespace view {
inline namespace render {

/// What one chart shows.
struct ChartView {
    const Quantity* quantity = nullptr;
    QList<bool> drawn;     // per series: its sensor is among those drawn
    QList<bool> hidden;    // per series: switched off in the legend, which still lists it
    QList<int> pens;       // per series: its sensor's pen (seriesPen)
    double x0 = 0, x1 = 1; // the time range shown, ms of the logger's clock
};

/// A chart of quantity over x0 to x1 with the sensors drawn (by sensor number; a missing entry
/// is not drawn) and their pens (sensorPens), no line hidden.
ChartView chartView(const Quantity& quantity, const QList<bool>& sensorsDrawn,
                    const QList<int>& sensorPens, double x0, double x1);

/// Where the painting put things, for the mouse: the plot, the values at its bottom and top,
/// and each series' legend entry.
struct ChartLayout {
    QRect plot;
    double low = 0, high = 1;
    QList<QPair<QRect, int>> legend; // entry, series
    QList<QRect> limitLabels;        // where each limit's label went, by value
};

/// The rectangle of the plot within a chart's rectangle.
QRect plotRect(const QRect& rect);
/// The height a chart takes at width with its legend: the plot keeps its height however many
/// sensors the legend lists.
int chartHeight(const ChartView& view, int width);
/// Paints the chart into rect.
ChartLayout paintChart(QPainter& painter, const QRect& rect, const ChartView& view);

} // namespace render
} // namespace view
