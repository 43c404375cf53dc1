#pragma once
// The files zelm-view writes of a document: the charts as PNG or SVG, the readings and the
// statistics as CSV, the report as PDF (laid out by pdfreport). They take the document and what
// to draw, never a window, so zelm-view writes them without one.

#include "view/model/document.h"

#include <optional>

class QPainter;

namespace view {
inline namespace render {

/// What the charts of an export show: the sensors drawn (by number), the time range, and the
/// lines the legend switched off (per chart, per series; empty: none).
struct ChartChoice {
    QList<bool> drawn;
    TimeRange range;
    QList<QList<bool>> hidden;
};
/// Every sensor up to kMaxDrawn, most readings first, over the whole span.
ChartChoice wholeChoice(const Document& document);

/// The width of the charts in a PNG or SVG, about a window's.
inline constexpr int kExportWidth = 1100;
/// Paints the charts one below the other at width, each sensor in one colour in all of them;
/// returns the size they take (with no painter, only that).
QSize paintCharts(QPainter* painter, const Document& document, const ChartChoice& choice,
                  int width = kExportWidth);

/// Csv and Statistics are the plain CSV, for programs; their spreadsheet forms are the CSV a
/// spreadsheet reads in the user's locale (SpreadsheetCsv).
enum class Export { Png, Svg, Csv, Statistics, Pdf, CsvSpreadsheet, StatisticsSpreadsheet };
/// The spreadsheet form of a CSV export; none for another.
std::optional<Export> spreadsheetOf(Export kind);
/// The file name's suffix of an export ("png"), the file dialog's filter ("PNG image (*.png)")
/// and what it writes, for a status line ("the charts as PNG").
QString exportSuffix(Export kind);
QString exportFilter(Export kind);
QString exportWhat(Export kind);
/// The name an export suggests: what it is and the dates of the first and last reading,
/// "zelm-report-2026-03-01-2026-03-05.pdf".
QString suggestedName(const Document& document, Export kind);
/// path with the export's suffix added where its name has none.
QString withSuffix(const QString& path, Export kind);

/// Writes an export to path through a temporary file, so that an old file is replaced only by
/// a whole one and a link at path by the file, never what it leads to; false with error set to
/// one line when it cannot be written.
bool writeExport(Export kind, const QString& path, const Document& document,
                 const ChartChoice& choice, QString& error);

} // namespace render
} // namespace view
