#pragma once
// The readings written back as text: the CSV of the unique readings, and the number and field
// forms it shares with the statistics' CSV and the tooltips.

#include "view/readings.h"

class QIODevice;

namespace view {

/// A field of a CSV file (RFC 4180): quoted, its quotes doubled, where it holds a comma, a quote
/// or a line break.
QByteArray csvField(const QByteArray& field);
/// A calibrated value as the CSV writes it: three decimals at most, trailing zeros dropped down
/// to one decimal, a point as decimal separator.
QByteArray calibratedText(double value);

/// The readings as CSV: header "time,status,kind,id,value,value2,name", one row per reading,
/// values calibrated and names given as shown says (by sensor number; empty: none).
void writeCsv(const Report& report, QIODevice& out, const QList<Shown>& shown = {});

} // namespace view
