#pragma once
// Text on paper that is never cut: a table's columns as wide as their widest text, narrowed only
// where a cell may wrap, and a smaller font where even that does not fit; a cell's text laid out
// in lines that each fit its width.

#include <QFont>
#include <QList>
#include <QStringList>

class QPaintDevice;

namespace view {
inline namespace render {

/// How a cell's text may break: a number never (one line each), a phrase between its words, a
/// name anywhere (between words where it can).
enum class Wrap { None, Words, Anywhere };

struct TableColumn {
    QString heading; // wraps between its words
    Wrap wrap = Wrap::None;
    bool right = true; // aligned to the right, as numbers are
};

/// A table fitted to a width: its fonts, the padding inside each cell, and each column's width.
struct FittedTable {
    QFont font, bold;
    qreal pad = 3;
    QList<qreal> widths;
};

/// The report's font at a pixel size.
QFont pdfFont(int pixels, bool bold = false);

/// Fits rows (a text per column, lines split by "\n") under the columns' headings into width:
/// every column as wide as its widest line where they all fit, what is left shared alike; else each
/// column that may wrap narrowed towards its longest word (a name towards ten letters), in
/// proportion; else the same with a font a pixel smaller, down to 5 pixels.
FittedTable fitTable(const QList<TableColumn>& columns, const QList<QStringList>& rows, qreal width,
                     int pixels, QPaintDevice* device);

/// The lines text takes within width in font: its own lines where it may not wrap, else broken
/// between words, and within a word only where the word alone is wider than width.
QStringList laidLines(const QString& text, const QFont& font, qreal width, Wrap wrap,
                      QPaintDevice* device);

} // namespace render
} // namespace view
