#pragma once
// What the printable report is made of: its title and heading, when and by what it was made, the
// files it was made from with their SHA-256, its statistics tables' columns and rows, and its
// charts over the whole period.

#include "view/model/document.h"
#include "view/render/chartpainter.h"
#include "view/render/pdftable.h"

namespace view {
inline namespace render {

// What the report is made of.
struct PdfReport {
    const Document& document;
    QString title;            // the heading's, else the sensors' names, else "ZELM report"
    QStringList heading;      // "Site: …", "Operator: …", "Comment: …" where set
    QString made;             // when and by what
    QString folder;           // of the files, by its name
    QList<QStringList> files; // each file's name below folder, and its SHA-256
    QList<ChartView> charts;
};

// The statistics as printed, in two tables narrow enough for A4: what was read, and what was
// made of it against limits.
struct Columns {
    QList<TableColumn> columns;
    QList<int> cells; // a StatisticsTable::Column each, -1: the sensor
};
Columns readingsColumns();
Columns limitsColumns();
/// The cells of the columns c, a row per sensor.
QList<QStringList> rowsOf(const Columns& c, const QList<Statistics>& statistics);

/// The owner's title, else the names of the sensors drawn, in the table's order.
QString reportTitle(const Document& d, const QList<bool>& drawn);
/// The report of d with the sensors drawn (by number).
PdfReport reportOf(const Document& d, const QList<bool>& drawn);

} // namespace render
} // namespace view
