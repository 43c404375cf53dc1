#include "view/window/printing.h"

#include "view/render/pdfreport.h"

#include <QDir>

#ifdef ZURORUVE_PRINTSUPPORT
#include <QPrintDialog>
#include <QPrinter>
#else
#include <QDateTime>
#include <QDesktopServices>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>
#ifdef Q_OS_WIN
#include <windows.h>

#include <shellapi.h>
#endif
#endif

namespace view {
inline namespace window {

#ifdef ZURORUVE_PRINTSUPPORT

bool printDocument(QWidget* parent, const Document& document, const QList<bool>& drawn,
                   QString& said, QString& error) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    printer.setDocName(document.title);
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("Print the report"));
    if (dialog.exec() != QDialog::Accepted)
        return true;
    if (!paintReport(printer, document, drawn)) {
        error = QStringLiteral("cannot print on %1").arg(printer.printerName());
        return false;
    }
    said = printer.outputFileName().isEmpty()
               ? QStringLiteral("Sent the report to %1").arg(printer.printerName())
               : QStringLiteral("Printed the report to %1")
                     .arg(QDir::toNativeSeparators(printer.outputFileName()));
    return true;
}

#else

namespace {

// Asks the system to do verb with the file: its PDF program prints or opens it.
bool handOn(const QString& path, const wchar_t* verb) {
#ifdef Q_OS_WIN
    const auto done = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, verb, reinterpret_cast<const wchar_t*>(path.utf16()), nullptr,
                      nullptr, SW_SHOWNORMAL));
    return done > 32;
#else
    return std::wstring(verb) == L"open" && QDesktopServices::openUrl(QUrl::fromLocalFile(path));
#endif
}

} // namespace

bool printDocument(QWidget*, const Document& document, const QList<bool>& drawn, QString& said,
                   QString& error) {
    // The PDF in the temporary folder, for the program that prints PDF files; it stays there
    // until the system clears the folder, as that program may read it after this one has ended.
    // A name of its own, which the PDF is written under as any export is (a temporary file kept
    // open by Windows could not be replaced).
    const QDir temp(QStandardPaths::writableLocation(QStandardPaths::TempLocation));
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    QString path;
    for (int n = 1; path.isEmpty() || QFileInfo::exists(path); ++n)
        path = temp.filePath(QStringLiteral("zelm-report-%1-%2.pdf").arg(stamp).arg(n));
    if (!writePdfReport(path, document, drawn, error))
        return false;
    const QString shown = QDir::toNativeSeparators(path);
    if (handOn(path, L"print")) {
        said = QStringLiteral("Handed the report to the system to print (%1)").arg(shown);
        return true;
    }
    if (handOn(path, L"open")) {
        said = QStringLiteral("No program prints PDF files here: the report is open in the one "
                              "that shows them, to print from there (%1)")
                   .arg(shown);
        return true;
    }
    error = QStringLiteral("No program on this computer prints or shows PDF files. The report "
                           "is written to %1.")
                .arg(shown);
    return false;
}

#endif

} // namespace window
} // namespace view
