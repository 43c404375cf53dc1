#include "view/render/spreadsheetcsv.h"

#include "settings/profile.h"
#include "view/model/decimal.h"

namespace view {
inline namespace render {

namespace {

// -12.5: digits, a point, digits.
bool isDecimal(const QByteArray& f) {
    const qsizetype from = f.startsWith('-') ? 1 : 0;
    const qsizetype point = f.indexOf('.');
    if (point <= from || point == f.size() - 1)
        return false;
    for (qsizetype i = from; i < f.size(); ++i)
        if (i != point && !isAsciiDigit(f[i]))
            return false;
    return true;
}

// 2026-03-02T14:05:00
bool isIsoTime(const QByteArray& f) {
    if (f.size() != 19 || f[10] != 'T')
        return false;
    for (int i = 0; i < 19; ++i)
        if (i != 4 && i != 7 && i != 10 && i != 13 && i != 16 && !isAsciiDigit(f[i]))
            return false;
    return true;
}

} // namespace

SpreadsheetCsv::SpreadsheetCsv(QIODevice& out, const QLocale& locale) : out_(out) {
    std::tie(separator_, decimal_) = separatorsOf(locale);
    open(QIODevice::WriteOnly);
    written_ = settings::kByteOrderMark;
}

std::pair<char, char> SpreadsheetCsv::separatorsOf(const QLocale& locale) {
    return locale.decimalPoint() == QLatin1String(",") ? std::pair{';', ','} : std::pair{',', '.'};
}

qint64 SpreadsheetCsv::writeData(const char* data, qint64 size) {
    for (qint64 i = 0; i < size; ++i) {
        const char c = data[i];
        if (inQuotes_) {
            inQuotes_ = c != '"'; // a doubled quote opens them again at once
            field_ += c;
        } else if (c == ',' || c == '\n') {
            endField(c == '\n');
        } else {
            inQuotes_ = c == '"';
            quoted_ = quoted_ || inQuotes_;
            field_ += c;
        }
    }
    if (written_.size() >= (1 << 16)) {
        failed_ = failed_ || out_.write(written_) != written_.size();
        written_.clear();
    }
    return size;
}

void SpreadsheetCsv::endField(bool endOfRow) {
    if (endOfRow && field_.endsWith('\r'))
        field_.chop(1);
    if (header_) {
        static const QSet<QByteArray> text{"status", "kind", "id", "name", "quantity"};
        if (text.contains(field_))
            text_.insert(column_);
    } else if (!quoted_ && !text_.contains(column_)) {
        if (isDecimal(field_))
            field_.replace('.', decimal_);
        else if (isIsoTime(field_))
            field_[10] = ' ';
    }
    if (!quoted_ && field_.contains(separator_))
        field_ = '"' + field_ + '"';
    written_ += field_;
    written_ += endOfRow ? QByteArrayView("\r\n") : QByteArrayView(&separator_, 1);
    field_.clear();
    quoted_ = false;
    column_ = endOfRow ? 0 : column_ + 1;
    header_ = header_ && !endOfRow;
}

bool SpreadsheetCsv::finish() {
    if (!field_.isEmpty() || column_ > 0)
        endField(true);
    failed_ = failed_ || out_.write(written_) != written_.size();
    written_.clear();
    return !failed_;
}

} // namespace render
} // namespace view
