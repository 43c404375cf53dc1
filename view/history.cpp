#include "view/history.h"

#include "settings/folder.h"
#include "settings/ini.h"
#include "settings/regularfile.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <algorithm>
#include <cstring>
#include <vector>

namespace view {

namespace {

constexpr std::uint64_t kEmpty = ~std::uint64_t(0);

std::uint64_t contentHash(const Reading& r) {
    // Every field but the time, which follows from the stamp.
    std::uint64_t a = 0;
    std::memcpy(&a, r.stamp, sizeof r.stamp);
    a |= std::uint64_t(r.lowBat) << 48 | std::uint64_t(r.hasValue2) << 49;
    const std::uint64_t b = std::uint64_t(std::uint32_t(r.value)) << 32 | std::uint32_t(r.value2);
    std::uint64_t h = a * 0x9E3779B97F4A7C15ULL ^ (b + r.sensor * 0xC2B2AE3D27D4EB4FULL);
    h ^= h >> 31;
    h *= 0xBF58476D1CE4E5B9ULL;
    return h ^ (h >> 29);
}

// A raw record's tag: a hash of its 19 bytes, never 0 (the tag of a decoded line).
std::uint32_t recordTag(QByteArrayView record) {
    std::uint64_t a = 0, b = 0, c = 0;
    std::memcpy(&a, record.data(), 8);
    std::memcpy(&b, record.data() + 8, 8);
    std::memcpy(&c, record.data() + 16, 3);
    std::uint64_t h = (a * 0x9E3779B97F4A7C15ULL) ^ (b * 0xC2B2AE3D27D4EB4FULL) ^ (c + 0x165667B1);
    h ^= h >> 32;
    h *= 0xD6E8FEB86659FD93ULL;
    return std::uint32_t(h >> 32) | 1;
}

bool sameContent(const Reading& a, const Reading& b) {
    return std::memcmp(&a, &b, sizeof(Reading)) == 0; // no padding; time follows the stamp
}

} // namespace

Merger::Merger(Report& report) : report_(report), slots_(1024, kEmpty) {}

Merger::~Merger() = default;

qint64 Merger::add(QIODevice& in, QString& why) {
    qint64 read = 0;
    const bool ok = eachReading(
        in, report_,
        [&](const Reading& r, QByteArrayView record) {
            ++read;
            // A raw record is told from a different one with the same decoded line by a hash
            // of its bytes: two records of one sensor at the same second are both kept.
            const std::uint32_t tag = record.isEmpty() ? 0 : recordTag(record);
            if (!insert(r, tag))
                ++report_.repeated;
        },
        why);
    report_.read += read;
    return ok ? read : -1;
}

qint64 Merger::add(const QByteArray& contents) {
    QBuffer in;
    in.setData(contents);
    in.open(QIODevice::ReadOnly);
    QString why;
    return add(in, why);
}

// A slot holds a reading's position and the upper half of its content hash, so that a probe
// reads a reading only where the hashes match: the readings are far apart in memory.
bool Merger::insert(const Reading& r, std::uint32_t tag) {
    const std::uint64_t h = contentHash(r);
    const std::uint64_t mark = h & 0xFFFFFFFF00000000ULL;
    const std::uint32_t mask = std::uint32_t(slots_.size() - 1);
    std::uint32_t i = std::uint32_t(h) & mask;
    for (; slots_[i] != kEmpty; i = (i + 1) & mask) {
        if ((slots_[i] & 0xFFFFFFFF00000000ULL) != mark)
            continue;
        const auto other = std::uint32_t(slots_[i]);
        if (sameContent(report_.readings[other], r) &&
            (tag == 0 || tags_[other] == 0 || tags_[other] == tag))
            return false;
    }
    slots_[i] = mark | std::uint64_t(report_.readings.size());
    report_.readings.append(r);
    tags_.append(tag);
    report_.untimed += r.time == kNoTime;
    if (report_.readings.size() * 4 > slots_.size() * 3)
        grow();
    return true;
}

void Merger::grow() {
    slots_ = QList<std::uint64_t>(slots_.size() * 2, kEmpty);
    const std::uint32_t mask = std::uint32_t(slots_.size() - 1);
    for (qsizetype n = 0; n < report_.readings.size(); ++n) {
        const std::uint64_t h = contentHash(report_.readings[n]);
        std::uint32_t i = std::uint32_t(h) & mask;
        while (slots_[i] != kEmpty)
            i = (i + 1) & mask;
        slots_[i] = (h & 0xFFFFFFFF00000000ULL) | std::uint64_t(n);
    }
}

void Merger::finish() {
    tags_ = {};
    slots_ = {};
    QList<Reading>& readings = report_.readings;
    const auto byTime = [](const Reading& a, const Reading& b) { return a.time < b.time; };
    if (std::is_sorted(readings.begin(), readings.end(), byTime))
        return;
    // Sorted as (time, position read) in one 64-bit key, which keeps equal times in the order
    // read without the second copy of the readings a stable sort would make.
    std::vector<std::uint64_t> order(size_t(readings.size()));
    for (qsizetype i = 0; i < readings.size(); ++i)
        order[size_t(i)] = std::uint64_t(readings[i].time) << 32 | std::uint64_t(i);
    std::sort(order.begin(), order.end());
    // Moves each reading to its place, cycle by cycle; a place done points at itself.
    Reading* const at = readings.data();
    const auto from = [&](size_t k) { return size_t(std::uint32_t(order[k])); };
    for (size_t k = 0; k < order.size(); ++k) {
        if (from(k) == k)
            continue;
        const Reading first = at[k];
        size_t j = k;
        while (from(j) != k) {
            const size_t next = from(j);
            at[j] = at[next];
            order[j] = j;
            j = next;
        }
        at[j] = first;
        order[j] = j;
    }
}

Report readHistory(const QStringList& paths) {
    Report report;
    QStringList files;
    QSet<QString> seen;
    const auto addFile = [&](const QFileInfo& info) {
        const QString key =
            info.canonicalFilePath().isEmpty() ? info.absoluteFilePath() : info.canonicalFilePath();
        if (!seen.contains(key)) {
            seen.insert(key);
            files.append(info.filePath());
        }
    };
    for (const QString& path : paths) {
        const QFileInfo info(path);
        if (!info.isDir()) {
            addFile(info);
            continue;
        }
        bool any = false;
        // Special files too (System), so that one behind a report's name is named and skipped.
        const QFileInfoList entries =
            QDir(path).entryInfoList(QDir::Files | QDir::System | QDir::Hidden, QDir::Name);
        for (const QFileInfo& entry : entries) {
            const QString name = entry.fileName();
            if (name.endsWith(QLatin1String(".dat"), Qt::CaseInsensitive) ||
                (name.startsWith(QLatin1String("out-")) && name.endsWith(QLatin1String(".txt")))) {
                addFile(entry);
                any = true;
            } else {
                report.skipped.append({entry.filePath(), QStringLiteral("not a report")});
            }
        }
        if (!any)
            report.skipped.append({path, QStringLiteral("no reports in this folder")});
    }

    // Raw reports first, as the originals; each kind in order of file name, which for kept
    // downloads is the order they were made in. Only regular files are opened.
    const auto open = [&](QFile& file, const QString& path) {
        settings::ReadStatus status;
        QString why;
        if (settings::openRegularFile(file, path, status, why))
            return true;
        report.skipped.append({path, status == settings::ReadStatus::NotRegular
                                         ? QStringLiteral("not a regular file")
                                         : QStringLiteral("cannot read: ") + why});
        return false;
    };
    struct Source {
        QString path;
        bool raw;
    };
    QList<Source> sources;
    for (const QString& path : std::as_const(files)) {
        QFile file;
        if (!open(file, path))
            continue;
        const QByteArray head = file.read(kHeadBytes);
        if (head.isEmpty())
            report.skipped.append({path, file.error() != QFileDevice::NoError
                                             ? QStringLiteral("cannot read: ") + file.errorString()
                                             : QStringLiteral("empty")});
        else
            sources.append({path, looksRaw(head)});
    }
    std::stable_sort(sources.begin(), sources.end(), [](const Source& a, const Source& b) {
        if (a.raw != b.raw)
            return a.raw;
        return QFileInfo(a.path).fileName() < QFileInfo(b.path).fileName();
    });

    Merger merger(report);
    bool anyRaw = false;
    for (const Source& source : std::as_const(sources)) {
        QFile file; // opened again: a history is hundreds of files, each closed once read
        if (!open(file, source.path))
            continue;
        QString why;
        const qint64 read = merger.add(file, why);
        if (read < 0)
            report.skipped.append({source.path, QStringLiteral("cannot read: ") + why});
        else if (read == 0)
            report.skipped.append({source.path, QStringLiteral("holds no readings")});
        else
            report.files.append(source.path);
        anyRaw = anyRaw || (read > 0 && source.raw);
    }
    merger.finish();
    report.raw = anyRaw;
    return report;
}

QString historyFolder() {
    // The main program's folder by the main program's rule, whichever program asks.
    return settings::chooseProgramFolder().file(settings::kDataFolder);
}

QString settingsFile() {
    return settings::chooseProgramFolder().file(settings::kIniFile);
}

} // namespace view
