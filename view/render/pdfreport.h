#pragma once
// The printable report of a period, a record a lab can sign: an A4 PDF with a title and the
// heading the settings or options give (site, operator, comment), the period, when and by what
// it was made (with the PC's UTC offset), the files it was made from with their SHA-256, the
// statistics and, per sensor, the calibration applied and its limits, one chart per quantity at
// full page width, two lines to sign, and page numbers. Written with Qt's own PDF writer, fonts
// embedded. Every cell shows its whole text: columns as wide as their widest text, a line
// wrapped where it can be, a smaller font where the widths still do not fit.

#include "view/model/document.h"

#include <QFont>
#include <QRectF>

class QPagedPaintDevice;

namespace view {
inline namespace render {

/// Paints the report's pages on device, a printer or a PDF writer whose page size, margins and
/// resolution are set: the pages writePdfReport writes, laid out as in the PDF and scaled to the
/// device. False when the device cannot be painted on.
bool paintReport(QPagedPaintDevice& device, const Document& document, const QList<bool>& drawn);

/// The report of document as a PDF made in memory, with the sensors drawn (by number) in its
/// charts over the whole period and named in its title; empty when it cannot be painted.
QByteArray pdfReport(const Document& document, const QList<bool>& drawn);

/// Writes the report of document to path through a temporary file, with the sensors drawn (by
/// number) in its charts over the whole period and named in its title; false with error set
/// when the file cannot be written.
bool writePdfReport(const QString& path, const Document& document, const QList<bool>& drawn,
                    QString& error);

/// The dots per inch the report is laid out at.
inline constexpr int kPdfResolution = 120;

/// A text of the report as it is printed: on which page, the box it must stay within, its font
/// and its lines as drawn (each drawn whole, without wrapping).
struct PdfText {
    int page = 1;
    QRectF box;
    QFont font;
    QString text;
    QStringList lines;
};
/// Every text the report of document prints but the charts' and the footers' (which shorten a
/// long title with an ellipsis), laid out as writePdfReport lays it out.
QList<PdfText> pdfTexts(const Document& document, const QList<bool>& drawn);

} // namespace render
} // namespace view
