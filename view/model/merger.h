#pragma once
// Merging reports into one, so that a record several of them hold counts once.

#include "view/model/readings.h"

#include <QSet>

class QIODevice;

namespace view {
inline namespace model {

/// Merges reports one after another into a report. Two raw records are the same when their 19
/// bytes are; a decoded line is the same as any reading already merged that decodes to it. Raw
/// reports should come first: they are the originals of the decoded ones. Reports read in time
/// order (downloads by name) merge by walking the readings merged so far in time order: a
/// reading is first looked for right after the last one found again (downloads that overlap
/// hold the same records in the same order), then among those of its own second, by content
/// where a second holds many (loggers that stamp all their channels at one moment).
class Merger {
public:
    /// report holds no readings yet.
    explicit Merger(Report& report);
    ~Merger();
    Merger(const Merger&) = delete;
    Merger& operator=(const Merger&) = delete;
    /// Adds the readings of one report, raw or decoded by content, read from in a piece at a
    /// time; returns how many it held, repeated ones included, or -1 with why when in cannot
    /// be read.
    qint64 add(QIODevice& in, QString& why);
    /// The same for a report held in memory.
    qint64 add(const QByteArray& contents);
    /// Puts the readings in time order (of the same second, in the order first read; untimed
    /// ones last) and frees what merging needed.
    void finish();
    /// The report as finish() would leave it, without finishing: more reports can be added after.
    Report merged() const;

private:
    static void mergeAside(QList<Reading>& inOrder, QList<Reading>& aside);
    bool insert(const Reading& r, std::uint32_t tag);
    bool insertEarlier(const Reading& r, std::uint32_t tag);
    /// The readings in time order of the second t, [first, second), found near the last one.
    std::pair<qsizetype, qsizetype> secondOf(std::uint32_t t);
    qsizetype firstAtOrAfter(qsizetype from, std::uint32_t t) const;
    const Reading& reading(std::uint32_t ref) const;
    std::uint32_t tag(std::uint32_t ref) const;
    /// The reading by content among those indexed, or kNone.
    std::uint32_t indexed(const Reading& r, std::uint32_t tag) const;
    void index(std::uint32_t ref);
    /// The reading by content in the latest second, or -1; and one added to it.
    qsizetype inLatest(const Reading& r, std::uint32_t tag) const;
    void addLatest(qsizetype k);

    Report& report_;
    QList<std::uint32_t> tags_; // per reading in time order: its raw record's hash, 0 for a line
    // Readings read before the latest time merged, or untimed: put in their place at the end.
    QList<Reading> aside_;
    QList<std::uint32_t> asideTags_;
    // Open addressing by content over the readings aside and those of crowded seconds that were
    // looked into, where a look through the second would cost too much.
    QList<std::uint64_t> slots_;
    qsizetype indexed_ = 0;
    QSet<qsizetype> secondsIndexed_; // crowded seconds in slots_, by where they begin
    // Open addressing by content over the latest second: a slot of an earlier second's reading
    // (its position before latestFrom_) is free, so a new second needs no clearing.
    QList<std::uint64_t> latestSlots_ = QList<std::uint64_t>(64, 0);
    std::uint32_t latest_ = 0; // the latest time of the readings in time order
    qsizetype latestFrom_ = 0; // where its second begins
    qsizetype cursor_ = 0;     // where the last second looked up began
    qsizetype next_ = 0;       // after the reading last found again: where the next may be
};

} // namespace model
} // namespace view
