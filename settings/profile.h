#pragma once
// A reader and writer of profile (INI) files that stays interchangeable with files written by
// the Windows profile functions: sections and keys match without regard to case, every other
// line of the file is kept byte for byte, and a value reads back cut to 254 bytes.
//
// Text in any script: a file is read as UTF-8 when all of it is valid UTF-8 (after a byte-order
// mark, if any: what Linux writes, and Notepad by default), else in the ANSI code page it was
// written in on Windows (Windows-1252 on other systems). What is written is UTF-8, without a
// byte-order mark; ASCII keys such as [ZuroRuve] Port= stay readable by the ANSI functions.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace settings {

/// Notepad's "UTF-8 with BOM" puts these bytes before the first line of a file it saved; they
/// stay where they are.
inline const QByteArray kByteOrderMark("\xEF\xBB\xBF");

/// One line of a file: its text from begin to end, its line end (LF, CR LF or none) up to next.
struct ProfileLine {
    qsizetype begin = 0;
    qsizetype end = 0;
    qsizetype next = 0;
};
/// The lines of a file's contents, the first after a byte-order mark, if any.
QList<ProfileLine> profileLines(const QByteArray& contents);
/// The name of a section's "[name]" line, as written between the brackets (to a missing "]",
/// the line's end); false for any other line.
bool profileSectionName(QByteArrayView line, QByteArray& name);

/// The longest value a read returns, as the Windows profile functions do with a 255 buffer.
inline constexpr int kMaxProfileValue = 254;

/// Whether the file's contents are read as UTF-8 (else in the ANSI code page).
bool isUtf8Profile(QByteArrayView contents);
/// Bytes of a file whose contents isUtf8Profile tells, as text.
QString profileText(QByteArrayView bytes, bool utf8);
/// The contents ready to take text written as UTF-8: unchanged where the text is ASCII or the
/// file reads as UTF-8 already; else the whole file turned into UTF-8 with the same text, since
/// a file of two encodings would not read back.
QByteArray readyForText(const QByteArray& contents, const QString& text);

/// The value of key in section of the file at path, or fallback when the file, the section or
/// the key is missing or the file cannot be read. Surrounding blanks and one pair of matching
/// quotes are removed. Throws std::runtime_error when path names something other than a regular
/// file (a FIFO would block the read) or a file too large to be settings.
QString getProfileString(const QString& section, const QString& key, const QString& fallback,
                         const QString& path);

/// Stores value under key in section, creating the file, the section and the key as needed.
/// Returns false when the file or its folder refuses the write, or path is not a regular file;
/// the file is then unchanged.
bool writeProfileString(const QString& section, const QString& key, const QString& value,
                        const QString& path);

/// The same two operations on the file's contents, for callers that hold them already.
QString profileValue(const QByteArray& contents, const QString& section, const QString& key,
                     const QString& fallback);
QByteArray withProfileValue(const QByteArray& contents, const QString& section, const QString& key,
                            const QString& value);

/// The same file's contents without the line of key in section (the first, which is the one
/// read), as the Windows functions delete a key.
QByteArray withoutProfileValue(const QByteArray& contents, const QString& section,
                               const QString& key);
/// The same file's contents without the section's header when the section holds nothing but
/// blank lines; else unchanged.
QByteArray withoutEmptyProfileSection(const QByteArray& contents, const QString& section);

/// One "key=value" line of a file, with its section and line number (from 1); a section's
/// header is one with an empty key.
struct ProfileEntry {
    QString section;
    QString key;
    QString value;
    int line = 0;
    int sectionLine = 0; // of its section's header
};
/// Every section header and key line of the file, in file order, sections named as written;
/// lines before the first section are left out, as the profile functions never read them.
QList<ProfileEntry> profileEntries(const QByteArray& contents);

/// Replaces the file at path with contents through a temporary file. False when the file is
/// read-only or the folder refuses it; the old file then stays.
bool writeProfileFile(const QString& path, const QByteArray& contents);

} // namespace settings
