#pragma once
// The printable report of a period: an A4 PDF with a title, the period, the files it was made
// from, when and by what it was made, the statistics table, then one chart per quantity at full
// page width, and page numbers. Written with Qt's own PDF writer, fonts embedded.

#include "view/document.h"

namespace view {

/// Writes the report of document to path through a temporary file, with the sensors drawn (by
/// number) in its charts over the whole period and named in its title; false with error set
/// when the file cannot be written.
bool writePdfReport(const QString& path, const Document& document, const QList<bool>& drawn,
                    QString& error);

} // namespace view
