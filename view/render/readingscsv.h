#pragma once
// The readings written back as text: the CSV of the unique readings, and the number and field
// forms it shares with the statistics' CSV and the tooltips.

#include "view/model/readings.h"

class QIODevice;

namespace view {
inline namespace render {

/// A field of a CSV file (RFC 4180): quoted, its quotes doubled, where it holds a comma, a quote
/// or a line break.
QByteArray csvField(const QByteArray& field);
/// A text field (a name, an identifier) as csvField writes it, and so that a spreadsheet does
/// not run it: one that starts with "=", "+", "-", "@", a tab or a CR gets an apostrophe first,
/// as OWASP's guidance on CSV injection has it. Numbers are never written through this.
QByteArray csvText(const QByteArray& text);

/// The readings as CSV: header "time,status,kind,id,value,value2,name", one row per reading,
/// values calibrated and names given as shown says (by sensor number; empty: none).
void writeCsv(const Report& report, QIODevice& out, const QList<Shown>& shown = {});

} // namespace render
} // namespace view
