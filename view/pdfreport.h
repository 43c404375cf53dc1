#pragma once
// The printable report of a period: an A4 PDF with a title, the period, the files it was made
// from, when and by what it was made, the statistics table, then one chart per quantity at full
// page width, and page numbers. Written with Qt's own PDF writer, fonts embedded.

#include "view/statistics.h"

#include <QDateTime>
#include <QStringList>
#include <functional>

class QPainter;
class QRect;

namespace view {

struct PdfReport {
    QString title;  // the sensors' names, or "ZELM report"
    QString period; // first to last reading
    QStringList files;
    QDateTime made;
    QString madeBy; // program and version
    QList<Statistics> statistics;
    /// Charts to draw, each painted into a rectangle of the given width; heightFor tells how
    /// tall each is at that width.
    int charts = 0;
    std::function<int(int chart, int width)> heightFor;
    std::function<void(int chart, QPainter& painter, const QRect& rect)> paintChart;
};

/// Writes the report to path; false with error set when the file cannot be written.
bool writePdfReport(const QString& path, const PdfReport& report, QString& error);

} // namespace view
