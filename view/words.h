#pragma once
// Counts in words: "1 file", "2 files", so that every text gets its plural right.

#include <QString>

namespace view {

/// n and the noun in its number: counted(1, "file", "files") is "1 file".
inline QString counted(qint64 n, const char* one, const char* many) {
    return QString::number(n) + u' ' + QString::fromUtf8(n == 1 ? one : many);
}

} // namespace view
