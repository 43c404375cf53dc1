// Merging reports: the readings in time order, each found again by where it should be or by
// its content.
#include "view/model/merger.h"

#include <QBuffer>
#include <QSet>
#include <algorithm>
#include <cstring>
#include <utility>

namespace view {
inline namespace model {

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

// A reading read is one merged already when their contents are the same and, where both come
// from raw records, their bytes: two records of one sensor at the same second both stay.
bool sameReading(const Reading& a, std::uint32_t aTag, const Reading& b, std::uint32_t bTag) {
    return sameContent(a, b) && (aTag == 0 || bTag == 0 || aTag == bTag);
}

constexpr std::uint32_t kAside = 0x80000000; // a reference to a reading aside
constexpr std::uint32_t kNone = 0xFFFFFFFF;  // no reading
constexpr qsizetype kCrowded = 16;           // readings of one second beyond which it is indexed

} // namespace

Merger::Merger(Report& report) : report_(report) {}

Merger::~Merger() = default;

qint64 Merger::add(QIODevice& in, QString& why) {
    qint64 read = 0;
    const bool ok = eachReading(
        in, report_,
        [&](const Reading& r, QByteArrayView record) {
            ++read;
            // A raw record is told from a different one with the same decoded line by a hash
            // of its bytes.
            if (!insert(r, record.isEmpty() ? 0 : recordTag(record)))
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

const Reading& Merger::reading(std::uint32_t ref) const {
    return ref & kAside ? aside_[ref & ~kAside] : report_.readings[ref];
}

std::uint32_t Merger::tag(std::uint32_t ref) const {
    return ref & kAside ? asideTags_[ref & ~kAside] : tags_[ref];
}

qsizetype Merger::firstAtOrAfter(qsizetype from, std::uint32_t t) const {
    // Galloping from where every reading before from is earlier than t: lookups come mostly in
    // time order, close to the last one, and stay where memory is already read.
    const QList<Reading>& v = report_.readings;
    qsizetype bound = from, step = 1;
    while (bound < v.size() && v[bound].time < t) {
        from = bound + 1;
        bound += step;
        step *= 2;
    }
    return std::partition_point(v.begin() + from, v.begin() + std::min(bound, v.size()),
                                [&](const Reading& r) { return r.time < t; }) -
           v.begin();
}

std::pair<qsizetype, qsizetype> Merger::secondOf(std::uint32_t t) {
    const QList<Reading>& v = report_.readings;
    const qsizetype start =
        cursor_ <= v.size() && (cursor_ == 0 || v[cursor_ - 1].time < t) ? cursor_ : 0;
    cursor_ = firstAtOrAfter(start, t);
    return {cursor_, firstAtOrAfter(cursor_, t + 1)}; // t is before the latest: no overflow
}

std::uint32_t Merger::indexed(const Reading& r, std::uint32_t tag) const {
    if (indexed_ == 0)
        return kNone;
    const std::uint64_t h = contentHash(r);
    const std::uint64_t mark = h & 0xFFFFFFFF00000000ULL;
    const std::uint32_t mask = std::uint32_t(slots_.size() - 1);
    for (std::uint32_t i = std::uint32_t(h) & mask; slots_[i] != kEmpty; i = (i + 1) & mask) {
        const auto ref = std::uint32_t(slots_[i]);
        if ((slots_[i] & 0xFFFFFFFF00000000ULL) == mark &&
            sameReading(r, tag, reading(ref), this->tag(ref)))
            return ref;
    }
    return kNone;
}

void Merger::index(std::uint32_t ref) {
    if ((indexed_ + 1) * 4 > slots_.size() * 3) { // grown, and every reading indexed again
        QList<std::uint64_t> old = std::exchange(
            slots_, QList<std::uint64_t>(std::max<qsizetype>(1024, slots_.size() * 2), kEmpty));
        indexed_ = 0;
        for (const std::uint64_t slot : std::as_const(old))
            if (slot != kEmpty)
                index(std::uint32_t(slot));
    }
    const std::uint64_t h = contentHash(reading(ref));
    const std::uint32_t mask = std::uint32_t(slots_.size() - 1);
    std::uint32_t i = std::uint32_t(h) & mask;
    while (slots_[i] != kEmpty)
        i = (i + 1) & mask;
    slots_[i] = (h & 0xFFFFFFFF00000000ULL) | ref;
    ++indexed_;
}

qsizetype Merger::inLatest(const Reading& r, std::uint32_t tag) const {
    const QList<Reading>& inOrder = report_.readings;
    if (inOrder.size() - latestFrom_ <= kCrowded) { // a look through it costs less
        for (qsizetype k = latestFrom_; k < inOrder.size(); ++k)
            if (sameReading(r, tag, inOrder[k], tags_[k]))
                return k;
        return -1;
    }
    const std::uint64_t h = contentHash(r);
    const std::uint64_t mark = h & 0xFFFFFFFF00000000ULL;
    const std::uint32_t mask = std::uint32_t(latestSlots_.size() - 1);
    for (std::uint32_t i = std::uint32_t(h) & mask;; i = (i + 1) & mask) {
        const std::uint64_t slot = latestSlots_[i];
        const auto k = qsizetype(std::uint32_t(slot));
        if (slot == 0 || k <= latestFrom_)
            return -1; // free, or of an earlier second: as good as free
        if ((slot & 0xFFFFFFFF00000000ULL) == mark &&
            sameReading(r, tag, report_.readings[k - 1], tags_[k - 1]))
            return k - 1;
    }
}

void Merger::addLatest(qsizetype k) {
    const qsizetype count = k + 1 - latestFrom_;
    if (count <= kCrowded)
        return; // looked through, not up
    // Grown crowded, or more than half full: the whole second placed (again).
    const bool grow = 2 * count > latestSlots_.size();
    if (grow)
        latestSlots_ = QList<std::uint64_t>(latestSlots_.size() * 2, 0);
    const std::uint32_t mask = std::uint32_t(latestSlots_.size() - 1);
    for (qsizetype j = grow || count == kCrowded + 1 ? latestFrom_ : k; j <= k; ++j) {
        const std::uint64_t h = contentHash(report_.readings[j]);
        std::uint32_t i = std::uint32_t(h) & mask;
        while (latestSlots_[i] != 0 && qsizetype(std::uint32_t(latestSlots_[i])) > latestFrom_)
            i = (i + 1) & mask;
        latestSlots_[i] = (h & 0xFFFFFFFF00000000ULL) | std::uint64_t(j + 1); // 0 stays free
    }
}

bool Merger::insertEarlier(const Reading& r, std::uint32_t tag) {
    if (r.time != kNoTime) {
        const auto [from, to] = secondOf(r.time);
        if (to - from <= kCrowded) {
            for (qsizetype k = from; k < to; ++k)
                if (sameReading(r, tag, report_.readings[k], tags_[k])) {
                    next_ = k + 1;
                    return false;
                }
        } else if (!secondsIndexed_.contains(from)) { // looked into: by content from now on
            secondsIndexed_.insert(from);
            for (qsizetype k = from; k < to; ++k)
                index(std::uint32_t(k));
        }
    }
    if (const std::uint32_t ref = indexed(r, tag); ref != kNone) { // aside, or a crowded second
        if (!(ref & kAside))
            next_ = qsizetype(ref) + 1;
        return false;
    }
    aside_.append(r);
    asideTags_.append(tag);
    index(kAside | std::uint32_t(aside_.size() - 1));
    report_.untimed += r.time == kNoTime;
    return true;
}

bool Merger::insert(const Reading& r, std::uint32_t tag) {
    QList<Reading>& inOrder = report_.readings;
    // Downloads overlap: a reading of an earlier one is most often the one after the last found.
    if (next_ < inOrder.size() && sameReading(r, tag, inOrder[next_], tags_[next_])) {
        ++next_;
        return false;
    }
    if (r.time == kNoTime || (!inOrder.isEmpty() && r.time < latest_))
        return insertEarlier(r, tag);
    if (!inOrder.isEmpty() && r.time == latest_) {
        if (const qsizetype k = inLatest(r, tag); k >= 0) {
            next_ = k + 1;
            return false;
        }
    } else {
        latest_ = r.time;
        latestFrom_ = inOrder.size();
    }
    inOrder.append(r);
    tags_.append(tag);
    addLatest(inOrder.size() - 1); // only the latest second grows: an earlier one is whole
    return true;
}

void Merger::finish() {
    tags_ = {};
    slots_ = {};
    asideTags_ = {};
    latestSlots_ = {};
    secondsIndexed_ = {};
    indexed_ = 0;
    mergeAside(report_.readings, aside_);
    aside_ = {};
}

Report Merger::merged() const {
    Report out = report_; // shares the readings until one of the two changes them
    QList<Reading> aside = aside_;
    mergeAside(out.readings, aside);
    return out;
}

void Merger::mergeAside(QList<Reading>& v, QList<Reading>& aside) {
    if (aside.isEmpty())
        return;
    // The readings aside in time order, untimed last, then merged in from the back: of the same
    // second, those in time order were read first.
    std::stable_sort(aside.begin(), aside.end(),
                     [](const Reading& a, const Reading& b) { return a.time < b.time; });
    qsizetype i = v.size() - 1, j = aside.size() - 1;
    v.resize(v.size() + aside.size());
    for (qsizetype k = v.size() - 1; j >= 0; --k)
        v[k] = i >= 0 && v[i].time > aside[j].time ? v[i--] : aside[j--];
}

} // namespace model
} // namespace view
