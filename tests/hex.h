#pragma once
// Bytes written as hex in the tests, blanks allowed for grouping: "0007 2403 05".

#include <QByteArray>

inline QByteArray hex(const char* text) {
    QByteArray digits(text);
    digits.replace(' ', "");
    return QByteArray::fromHex(digits);
}
