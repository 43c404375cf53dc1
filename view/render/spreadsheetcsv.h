#pragma once
// The CSV a spreadsheet reads as columns in the user's locale, made from the plain CSV as it is
// written: where the locale writes a decimal comma, fields separated by semicolons and numbers
// with a decimal comma; else commas and points. Times as "2026-03-02 14:05:00", which
// spreadsheets take for a date and time; UTF-8 with a byte-order mark, so names keep their
// letters; CR LF. Text columns (status, kind, id, name, quantity) stay as they are written.

#include <QIODevice>
#include <QLocale>
#include <QSet>

namespace view {
inline namespace render {

class SpreadsheetCsv : public QIODevice {
public:
    /// Writes to out, which is open for writing, in locale's form.
    explicit SpreadsheetCsv(QIODevice& out, const QLocale& locale = QLocale());
    /// Writes what is left of the last row; false where out took less than was written.
    bool finish();
    /// The separator and decimal separator a locale's spreadsheet takes: ';' and ',' where it
    /// writes a decimal comma, else ',' and '.'.
    static std::pair<char, char> separatorsOf(const QLocale& locale);

protected:
    qint64 writeData(const char* data, qint64 size) override;
    qint64 readData(char*, qint64) override { return -1; }

private:
    void endField(bool endOfRow);

    QIODevice& out_;
    char separator_, decimal_;
    QByteArray field_, written_;
    bool inQuotes_ = false, quoted_ = false, header_ = true, failed_ = false;
    int column_ = 0;
    QSet<int> text_; // the columns of text, by their header
};

} // namespace render
} // namespace view
