// zelm-view's window and what it has open: the files and folders read into a history, which
// follows them: a folder's new files are read as they come, and on Reload; and whether they are
// as their journal of read-outs has them.
#include "report/journal.h"
#include "view/model/historyreader.h"
#include "view/model/words.h"
#include "view/window/plaintext.h"
#include "view/window/viewer.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QLabel>
#include <QStatusBar>
#include <QTimer>

namespace view {
inline namespace window {

bool Viewer::open(const QStringList& paths, QString& error) {
    auto history = std::make_unique<HistoryReader>(paths);
    history->update();
    Report report = history->report();
    QString title;
    const bool any = titleOf(paths, report, title, error);
    if (!any && !document_.report.readings.isEmpty())
        return false; // what is shown stays, and so do the folders it follows
    history_ = std::move(history);
    keptDownloads_ = paths.size() == 1 && !keptFolder_.isEmpty() &&
                     QFileInfo(paths.first()) == QFileInfo(keptFolder_);
    if (!watcher_->directories().isEmpty())
        watcher_->removePaths(watcher_->directories());
    if (!watcher_->files().isEmpty())
        watcher_->removePaths(watcher_->files());
    for (const QString& folder : history_->folders())
        if (QFileInfo(folder).isDir())
            watcher_->addPath(folder);
    followJournals();
    if (any)
        showReport(std::move(report), title);
    return any;
}

QStringList Viewer::followedFolders() const {
    return watcher_->directories();
}

void Viewer::verify() {
    const report::FoldersVerified v = report::verifyFoldersOf(document_.report.files);
    document_.verification = report::verificationText(v);
    verified_->setText(!v.journal             ? QStringLiteral("No journal")
                       : v.problems.isEmpty() ? QStringLiteral("Verified")
                                              : counted(v.problems.size(), "problem", "problems"));
    QStringList tip;
    if (!v.journal)
        tip.append(QStringLiteral("No journal of read-outs: the files read cannot be checked."));
    else if (v.problems.isEmpty())
        tip.append(QStringLiteral("Every kept file is as its journal of read-outs has it (%1).")
                       .arg(counted(v.files, "file", "files")));
    else
        tip.append(QStringLiteral("Not as the journal of read-outs has them:"));
    tip += v.problems;
    if (v.journal && !v.noJournal.isEmpty())
        tip.append(QStringLiteral("No journal in: ") + v.noJournal.join(QStringLiteral(", ")));
    verified_->setToolTip(plainToolTip(tip.join(u'\n')));
}

void Viewer::followJournals() {
    for (const QString& folder : watcher_->directories())
        if (const QString journal = folder + u'/' + report::kJournalFile;
            QFileInfo(journal).isFile() && !watcher_->files().contains(journal))
            watcher_->addPath(journal);
}

void Viewer::reload() {
    follow_->stop();
    if (!history_)
        return;
    const HistoryReader::Update done = history_->update();
    followJournals(); // one made by the first download since
    if (!done.whole && done.files == 0) {
        verify(); // a journal's line may have come
        statusBar()->showMessage(QStringLiteral("Nothing new in the files and folders open"), 5000);
        return;
    }
    Report report = history_->report();
    QString title, error;
    if (!titleOf(history_->paths(), report, title, error))
        return; // still nothing to show; the window says where it looks
    // The zoom stays, but where everything was shown, everything now read is.
    const bool whole = range_ == document_.span;
    const bool before = !document_.report.readings.isEmpty();
    document_ = documentOf(std::move(report), title, document_.settings);
    rebuild(before);
    if (whole)
        resetZoom();
    statusBar()->showMessage(
        done.whole ? QStringLiteral("Read every file again: a file read before changed")
                   : QStringLiteral("Read %1 more: %2")
                         .arg(counted(done.files, "file", "files"),
                              counted(done.readings, "new reading", "new readings")),
        10000);
}

} // namespace window
} // namespace view
