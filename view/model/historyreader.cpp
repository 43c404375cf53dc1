#include "view/model/historyreader.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace view {
inline namespace model {

namespace {

QString keyOf(const QFileInfo& info) {
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

} // namespace

HistoryReader::HistoryReader(const QStringList& paths) : paths_(paths) {
    restart();
}

HistoryReader::~HistoryReader() = default;

void HistoryReader::restart() {
    merger_.reset();
    report_ = Report();
    merger_ = std::make_unique<Merger>(report_);
    seen_.clear();
}

HistoryReader::Update HistoryReader::update() {
    Update done;
    done.whole = seen_.isEmpty();
    QHash<QString, Seen> listed; // every file listed now, as the listing found it
    bool changed = false;        // a file read before is not what it was
    QSet<QString> again;         // files looked at before, to be looked at again
    const auto wanted = [&](const QFileInfo& info) {
        const QString key = keyOf(info);
        listed.insert(key, {info.size(), info.lastModified(), false});
        const auto it = seen_.constFind(key);
        if (it == seen_.cend())
            return true;
        if (it->size == info.size() && it->modified == info.lastModified())
            return false;
        changed = changed || it->read;
        again.insert(key);
        return true;
    };
    Report skips; // what the listing skips
    QList<ReportFile> files = reportFiles(paths_, skips, wanted);
    for (auto it = seen_.cbegin(); it != seen_.cend() && !changed; ++it)
        changed = it->read && !listed.contains(it.key());
    if (changed) { // readings may be gone: everything again
        restart();
        listed.clear();
        again.clear();
        skips = Report();
        files = reportFiles(paths_, skips, wanted);
        done.whole = true;
    }
    // What was said of a file looked at again, or of a folder, is said again where it holds.
    const QSet<QString> folders(paths_.begin(), paths_.end());
    report_.skipped.removeIf([&](const SkippedFile& s) {
        return folders.contains(s.path) || again.contains(keyOf(QFileInfo(s.path)));
    });
    report_.skipped += skips.skipped;
    const qsizetype filesBefore = report_.files.size();
    const qint64 uniqueBefore = report_.read - report_.repeated;
    mergeFiles(files, *merger_, report_);
    for (auto it = listed.cbegin(); it != listed.cend(); ++it)
        if (!seen_.contains(it.key()) || again.contains(it.key()))
            seen_.insert(it.key(), *it);
    for (qsizetype k = filesBefore; k < report_.files.size(); ++k)
        seen_[keyOf(QFileInfo(report_.files[k]))].read = true;
    done.files = int(report_.files.size() - filesBefore);
    done.readings = report_.read - report_.repeated - uniqueBefore;
    return done;
}

Report HistoryReader::report() const {
    return merger_->merged();
}

QStringList HistoryReader::folders() const {
    QStringList out;
    for (const QString& path : paths_) {
        const QFileInfo info(path);
        const QString folder = info.isDir() ? info.absoluteFilePath() : info.absolutePath();
        if (!out.contains(folder))
            out.append(folder);
    }
    return out;
}

} // namespace model
} // namespace view
