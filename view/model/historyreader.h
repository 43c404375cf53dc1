#pragma once
// A history that follows its files and folders: read once, then again only where files are new.
// A new download costs its own reading, not the whole history's; a file read before that changed
// or went away makes the history read again whole, as its readings may be gone.

#include "view/model/history.h"

#include <QDateTime>
#include <QHash>
#include <memory>

namespace view {
inline namespace model {

class HistoryReader {
public:
    /// The files and folders of the history, as readHistory takes them; nothing read yet.
    explicit HistoryReader(const QStringList& paths);
    ~HistoryReader();
    HistoryReader(const HistoryReader&) = delete;
    HistoryReader& operator=(const HistoryReader&) = delete;

    /// What an update did: read every file again, or only the new ones, and how many of those
    /// gave readings and how many readings they added.
    struct Update {
        bool whole = false;
        int files = 0;
        qint64 readings = 0;
    };
    /// Reads the files not read yet (at first all of them), and everything again where a file
    /// read before changed or is gone.
    Update update();
    /// The history as it now stands, readings in time order.
    Report report() const;
    const QStringList& paths() const { return paths_; }
    /// The folders to watch for new files: those named, and those holding a file named.
    QStringList folders() const;

private:
    struct Seen {
        qint64 size;
        QDateTime modified;
        bool read; // gave readings
    };
    void restart();

    QStringList paths_;
    Report report_;
    std::unique_ptr<Merger> merger_;
    QHash<QString, Seen> seen_; // by canonical path: every file looked at
};

} // namespace model
} // namespace view
