#pragma once
// The printable report of a period: an A4 PDF with a title, the period, the files it was made
// from, when and by what it was made, the statistics table, then one chart per quantity at full
// page width, and page numbers. Written with Qt's own PDF writer, fonts embedded.

#include "view/document.h"

class QPagedPaintDevice;

namespace view {

/// Paints the report's pages on device, a printer or a PDF writer whose page size, margins and
/// resolution are set: the pages writePdfReport writes, laid out as in the PDF and scaled to the
/// device. False when the device cannot be painted on.
bool paintReport(QPagedPaintDevice& device, const Document& document, const QList<bool>& drawn);

/// Writes the report of document to path through a temporary file, with the sensors drawn (by
/// number) in its charts over the whole period and named in its title; false with error set
/// when the file cannot be written.
bool writePdfReport(const QString& path, const Document& document, const QList<bool>& drawn,
                    QString& error);

} // namespace view
