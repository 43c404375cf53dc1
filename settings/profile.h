#pragma once
// A reader and writer of profile (INI) files that stays interchangeable with files written by
// the Windows profile functions: sections and keys match without regard to case, every other
// line of the file is kept byte for byte, and a value reads back cut to 254 characters.

#include <QByteArray>
#include <QString>

namespace settings {

/// The longest value a read returns, as the Windows profile functions do with a 255 buffer.
inline constexpr int kMaxProfileValue = 254;

/// The value of key in section of the file at path, or fallback when the file, the section or
/// the key is missing. Surrounding blanks and one pair of matching quotes are removed.
QString GetProfileString(const QString& section, const QString& key, const QString& fallback,
                         const QString& path);

/// Stores value under key in section, creating the file, the section and the key as needed.
/// Returns false when the file or its folder refuses the write; the file is then unchanged.
bool WriteProfileString(const QString& section, const QString& key, const QString& value,
                        const QString& path);

/// The same two operations on the file's contents, for callers that hold them already.
QString ProfileValue(const QByteArray& contents, const QString& section, const QString& key,
                     const QString& fallback);
QByteArray WithProfileValue(const QByteArray& contents, const QString& section, const QString& key,
                            const QString& value);

} // namespace settings
