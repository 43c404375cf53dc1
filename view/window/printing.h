#pragma once
// Printing the report: the PDF's pages on a printer the user chooses, through Qt's printing
// where the build has it; else (the Windows build, whose Qt has no printing) the PDF handed to
// the system to print.

#include "view/model/document.h"

class QWidget;

namespace view {
inline namespace window {

/// Prints the report of document with the sensors drawn. True with said set to a line for the
/// status bar (empty when the user cancelled); false with error set when it could not be
/// printed or handed on.
bool printDocument(QWidget* parent, const Document& document, const QList<bool>& drawn,
                   QString& said, QString& error);

} // namespace window
} // namespace view
