#include "settings/profile.h"

#include "files/regularfile.h"
#include "files/savefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QStringDecoder>
#include <algorithm>
#include <stdexcept>

namespace settings {

namespace {

using Line = ProfileLine;

QByteArray text(const QByteArray& contents, const Line& line) {
    return contents.mid(line.begin, line.end - line.begin);
}

#ifndef Q_OS_WIN
// Windows-1252, the ANSI code page of western Windows, for systems that have no ANSI code page:
// Latin-1 but for 0x80 to 0x9F (the five bytes it leaves undefined read as their Latin-1 codes).
QString fromWindows1252(QByteArrayView bytes) {
    static constexpr char16_t k80to9F[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    QString text(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        text[i] = QChar(b >= 0x80 && b < 0xA0 ? k80to9F[b - 0x80] : char16_t(b));
    }
    return text;
}
#endif

bool isAscii(const QString& text) {
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; });
}

bool sameName(const QByteArray& a, const QString& b, bool utf8) {
    return profileText(a.trimmed(), utf8).compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

// The key and value of a "key=value" line. A line without an equals sign is a key with an
// empty value, as the Windows functions take it.
void keyOf(const QByteArray& line, QByteArray& key, QByteArray& value) {
    const qsizetype eq = line.indexOf('=');
    key = line.left(eq < 0 ? line.size() : eq).trimmed();
    value = eq < 0 ? QByteArray() : line.mid(eq + 1).trimmed();
}

struct Found {
    qsizetype section = -1;  // index of the section's header line
    qsizetype lastLine = -1; // index of its last non-blank line
    qsizetype key = -1;      // index of the key's line
    QByteArray value;
};

Found find(const QByteArray& contents, const QList<Line>& lines, const QString& section,
           const QString& key) {
    const bool utf8 = isUtf8Profile(contents);
    Found f;
    bool inside = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray t = text(contents, lines[i]);
        QByteArray name;
        if (profileSectionName(t, name)) {
            if (inside)
                break; // only the first section of that name counts
            inside = sameName(name, section, utf8);
            if (inside)
                f.section = f.lastLine = i;
            continue;
        }
        if (!inside)
            continue;
        if (!t.trimmed().isEmpty())
            f.lastLine = i;
        QByteArray k, v;
        keyOf(t, k, v);
        if (f.key < 0 && !k.isEmpty() && sameName(k, key, utf8)) {
            f.key = i;
            f.value = v;
        }
    }
    return f;
}

// A value as read: one pair of matching quotes removed, cut to the longest value, never inside
// a character.
QString shownValue(QByteArray v, bool utf8) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.mid(1, v.size() - 2);
    qsizetype n = std::min<qsizetype>(v.size(), kMaxProfileValue);
    while (utf8 && n > 0 && n < v.size() && (static_cast<unsigned char>(v[n]) & 0xC0) == 0x80)
        --n; // a UTF-8 continuation byte
    return profileText(v.first(n), utf8);
}

} // namespace

QList<ProfileLine> profileLines(const QByteArray& contents) {
    QList<ProfileLine> lines;
    qsizetype pos = contents.startsWith(kByteOrderMark) ? kByteOrderMark.size() : 0;
    while (pos < contents.size()) {
        qsizetype nl = contents.indexOf('\n', pos);
        const qsizetype next = nl < 0 ? contents.size() : nl + 1;
        qsizetype end = nl < 0 ? contents.size() : nl;
        if (end > pos && contents[end - 1] == '\r')
            --end;
        lines.append({pos, end, next});
        pos = next;
    }
    return lines;
}

bool profileSectionName(QByteArrayView line, QByteArray& name) {
    const QByteArrayView t = line.trimmed();
    if (!t.startsWith('['))
        return false;
    const qsizetype close = t.indexOf(']');
    name = (close < 0 ? t.sliced(1) : t.sliced(1, close - 1)).toByteArray();
    return true;
}

bool isUtf8Profile(QByteArrayView contents) {
    if (contents.startsWith(kByteOrderMark))
        contents = contents.sliced(kByteOrderMark.size());
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString text = decoder(contents);
    return !decoder.hasError();
}

QString profileText(QByteArrayView bytes, bool utf8) {
    if (utf8)
        return QString::fromUtf8(bytes);
#ifdef Q_OS_WIN
    return QString::fromLocal8Bit(bytes); // the ANSI code page
#else
    return fromWindows1252(bytes);
#endif
}

QByteArray readyForText(const QByteArray& contents, const QString& text) {
    if (isAscii(text) || isUtf8Profile(contents))
        return contents;
    const qsizetype bom = contents.startsWith(kByteOrderMark) ? kByteOrderMark.size() : 0;
    return contents.first(bom) + profileText(contents.sliced(bom), false).toUtf8();
}

QString profileValue(const QByteArray& contents, const QString& section, const QString& key,
                     const QString& fallback) {
    const QList<Line> lines = profileLines(contents);
    const Found f = find(contents, lines, section, key);
    return f.key < 0 ? fallback.left(kMaxProfileValue)
                     : shownValue(f.value, isUtf8Profile(contents));
}

QByteArray withProfileValue(const QByteArray& original, const QString& section, const QString& key,
                            const QString& value) {
    const QByteArray contents = readyForText(original, section + key + value);
    const QList<Line> lines = profileLines(contents);
    const Found f = find(contents, lines, section, key);
    const QByteArray entry = key.toUtf8() + '=' + value.toUtf8();
    QByteArray out = contents;
    if (f.key >= 0) {
        const Line& l = lines[f.key];
        out.replace(l.begin, l.end - l.begin, entry);
    } else if (f.section >= 0) {
        const Line& l = lines[f.lastLine];
        // After the line the entry follows, with its line end; the file's last line may have
        // none, or a lone CR, and gets one first.
        qsizetype at = l.end;
        if (at < out.size() && out[at] == '\r')
            ++at;
        if (at < out.size() && out[at] == '\n') {
            ++at;
        } else {
            const QByteArray end = at > l.end ? "\n" : "\r\n";
            out.insert(at, end);
            at += end.size();
        }
        out.insert(at, entry + "\r\n");
    } else {
        if (out.size() > (out.startsWith(kByteOrderMark) ? kByteOrderMark.size() : 0) &&
            !out.endsWith('\n'))
            out += out.endsWith('\r') ? "\n" : "\r\n";
        out += '[' + section.toUtf8() + "]\r\n" + entry + "\r\n";
    }
    return out;
}

QByteArray withoutProfileValue(const QByteArray& contents, const QString& section,
                               const QString& key) {
    const QList<Line> lines = profileLines(contents);
    const Found f = find(contents, lines, section, key);
    if (f.key < 0)
        return contents;
    const qsizetype end = f.key + 1 < lines.size() ? lines[f.key + 1].begin : contents.size();
    return QByteArray(contents).remove(lines[f.key].begin, end - lines[f.key].begin);
}

QByteArray withoutEmptyProfileSection(const QByteArray& contents, const QString& section) {
    const QList<Line> lines = profileLines(contents);
    const Found f = find(contents, lines, section, QString());
    if (f.section < 0 || f.lastLine != f.section)
        return contents;
    // Up to the next section's header, or the end: only blank lines lie between.
    qsizetype next = f.section + 1;
    QByteArray name;
    while (next < lines.size() && !profileSectionName(text(contents, lines[next]), name))
        ++next;
    const qsizetype end = next < lines.size() ? lines[next].begin : contents.size();
    return QByteArray(contents).remove(lines[f.section].begin, end - lines[f.section].begin);
}

QList<ProfileEntry> profileEntries(const QByteArray& contents) {
    QList<ProfileEntry> entries;
    const QList<Line> lines = profileLines(contents);
    const bool utf8 = isUtf8Profile(contents);
    QString section;
    int sectionLine = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray t = text(contents, lines[i]);
        QByteArray name;
        if (profileSectionName(t, name)) {
            section = profileText(name.trimmed(), utf8);
            sectionLine = int(i + 1);
            entries.append({section, QString(), QString(), sectionLine, sectionLine});
            continue;
        }
        QByteArray k, v;
        keyOf(t, k, v);
        if (sectionLine == 0 || k.isEmpty() || k.startsWith(';'))
            continue;
        entries.append(
            {section, profileText(k, utf8), shownValue(v, utf8), int(i + 1), sectionLine});
    }
    return entries;
}

bool writeProfileFile(const QString& path, const QByteArray& contents) {
    // A read-only file is refused even where its folder would let us replace it.
    if (QFileInfo::exists(path) && !QFileInfo(path).isWritable())
        return false;
    // Written whole to a temporary file and renamed, so a failed write leaves the old file; a
    // link of that name is replaced, what it led to left alone.
    files::WholeFile out(path);
    QString why;
    return files::openToReplace(out, why) && out.write(contents) == contents.size() &&
           files::commitWhole(out, why);
}

QString getProfileString(const QString& section, const QString& key, const QString& fallback,
                         const QString& path) {
    const files::FileRead read = files::readRegularFile(path, files::kMaxSettingsBytes);
    if (read.status == files::ReadStatus::NotRegular || read.status == files::ReadStatus::TooLarge)
        throw std::runtime_error(
            QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), read.why).toStdString());
    if (read.status != files::ReadStatus::Ok) // missing or unreadable: as if it held nothing
        return fallback.left(kMaxProfileValue);
    return profileValue(read.bytes, section, key, fallback);
}

bool writeProfileString(const QString& section, const QString& key, const QString& value,
                        const QString& path) {
    QByteArray contents;
    const bool exists = QFileInfo::exists(path);
    if (exists) {
        // A read-only file is refused even where its folder would let us replace it; so is
        // anything that is not a plain file, which a rename would put aside.
        const files::FileRead read = files::readRegularFile(path, files::kMaxSettingsBytes);
        if (!QFileInfo(path).isWritable() || read.status != files::ReadStatus::Ok)
            return false;
        contents = read.bytes;
    }
    const QByteArray updated = withProfileValue(contents, section, key, value);
    if (updated == contents && exists)
        return true;
    return writeProfileFile(path, updated);
}

} // namespace settings
