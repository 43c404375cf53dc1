#include "report/journal.h"

#include "files/regularfile.h"
#include "files/savefile.h"
#include "report/sha256.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>

namespace report {

namespace {

const QByteArray kHeader = "# when\tevent\tprogram\tdevice\tbytes\trecords\tstate\tfile\tsha256\n";
// Years of read-outs, many a day, are a few megabytes.
constexpr qint64 kMaxJournalBytes = 64 * 1024 * 1024;
constexpr int kFields = 9;
constexpr qint64 kRecordBytes = 19;
// Problems a printed report names before it counts the rest.
constexpr int kProblemsNamed = 10;

// A field's text: no tab or line end inside, "-" where there is none.
QByteArray field(const QString& text) {
    QString out = text;
    for (const QChar c : {u'\t', u'\r', u'\n'})
        out.replace(c, u' ');
    return out.isEmpty() ? QByteArrayLiteral("-") : out.toUtf8();
}

// The PC's local time with its offset from UTC: 2026-03-02T14:05:09+01:00.
QString whenText(const QDateTime& t) {
    return t.toString(QStringLiteral("yyyy-MM-ddThh:mm:ss")) + utcOffset(t);
}

QByteArray lineText(const JournalLine& l) {
    const bool counted = l.bytes >= 0;
    const QList<QByteArray> fields{field(whenText(l.when)),
                                   field(l.event),
                                   field(l.program),
                                   field(l.device),
                                   counted ? QByteArray::number(l.bytes) : "-",
                                   counted ? QByteArray::number(l.bytes / kRecordBytes) : "-",
                                   field(l.state),
                                   field(QFileInfo(l.file).fileName()),
                                   field(l.sha256)};
    return fields.join('\t') + '\n';
}

// The kept reports already in folder but file, as found when the journal begins.
QList<JournalLine> foundIn(const QString& folder, const JournalLine& line) {
    QList<JournalLine> found;
    const QFileInfoList kept =
        QDir(folder).entryInfoList({QStringLiteral("in-*.dat")}, QDir::Files, QDir::Name);
    for (const QFileInfo& info : kept) {
        if (info.fileName() == QFileInfo(line.file).fileName())
            continue;
        QString why;
        const QString hash = sha256Of(info.filePath(), why);
        if (!hash.isEmpty()) // else told as not in the journal by a check
            found.append({line.when,
                          QStringLiteral("found"),
                          line.program,
                          {},
                          info.size(),
                          {},
                          info.filePath(),
                          hash});
    }
    return found;
}

// Appends text to the file at path in one write and flushes it to the device.
bool append(const QString& path, const QByteArray& text, QString& why) {
    QFile file;
    bool created = false;
    if (files::openToAppend(file, path, created, why)) {
        if (file.write(text) == text.size() && files::flushToDisk(file, why))
            return true;
        if (why.isEmpty())
            why = files::errorText(file);
    }
    why = QStringLiteral("cannot write %1: %2").arg(QDir::toNativeSeparators(path), why);
    return false;
}

// The journal's lines, each file of a read to the SHA-256 its last line gives; a line that is
// none is a problem.
QMap<QString, QString> listedIn(const QByteArray& journal, const QString& where,
                                QStringList& problems) {
    QMap<QString, QString> listed;
    const QList<QByteArray> lines = journal.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray text = lines[i].endsWith('\r') ? lines[i].chopped(1) : lines[i];
        if (text.isEmpty() || text.startsWith('#'))
            continue;
        const QList<QByteArray> f = text.split('\t');
        const QByteArray event = f.value(1);
        const QString file = QString::fromUtf8(f.value(7));
        const bool named = file != u'-' && file != u'.' && file != QLatin1String("..") &&
                           !file.contains(u'/') && !file.contains(u'\\');
        const bool hashed = f.value(8).size() == 64 && !QByteArray::fromHex(f.value(8)).isEmpty();
        if (f.size() != kFields || (event != "read" && event != "found" && event != "clear") ||
            (event != "clear" && named != hashed)) {
            problems.append(QStringLiteral("%1 line %2: not a line of the journal")
                                .arg(where + kJournalFile)
                                .arg(i + 1));
            continue;
        }
        if (event != "clear" && named)
            listed.insert(file, QString::fromLatin1(f.value(8)).toLower());
    }
    return listed;
}

} // namespace

QString utcOffset(const QDateTime& t) {
    const int offset = t.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return QStringLiteral("%1%2:%3")
        .arg(QChar(offset < 0 ? u'-' : u'+'))
        .arg(minutes / 60, 2, 10, QChar(u'0'))
        .arg(minutes % 60, 2, 10, QChar(u'0'));
}

bool isJournalFile(const QString& fileName) {
    return fileName == kJournalFile || fileName == kChecksumsFile;
}

bool writeJournal(const QString& folder, JournalLine& line, QString& why) {
    if (!line.file.isEmpty() && line.sha256.isEmpty()) {
        line.sha256 = sha256Of(line.file, why);
        if (line.sha256.isEmpty()) {
            why =
                QStringLiteral("cannot read %1: %2").arg(QDir::toNativeSeparators(line.file), why);
            return false;
        }
    }
    // The journal is opened first: only then is it known to be new.
    QFile journal;
    const QString path = folder + u'/' + kJournalFile;
    bool created = false;
    if (!files::openToAppend(journal, path, created, why)) {
        why = QStringLiteral("cannot write %1: %2").arg(QDir::toNativeSeparators(path), why);
        return false;
    }
    journal.close();
    QList<JournalLine> lines = created ? foundIn(folder, line) : QList<JournalLine>();
    lines.append(line);
    QByteArray text = created ? kHeader : QByteArray(), sums;
    for (const JournalLine& l : std::as_const(lines)) {
        text += lineText(l);
        if (l.event != QLatin1String("clear") && !l.file.isEmpty())
            sums += l.sha256.toLatin1() + "  " + QFileInfo(l.file).fileName().toUtf8() + '\n';
    }
    return append(path, text, why) &&
           (sums.isEmpty() || append(folder + u'/' + kChecksumsFile, sums, why));
}

Verification verifyKept(const QString& folder) {
    Verification v;
    const QString where = QFileInfo(folder).fileName() + u'/';
    const files::FileRead journal =
        files::readRegularFile(folder + u'/' + kJournalFile, kMaxJournalBytes);
    if (journal.status == files::ReadStatus::Missing)
        return v;
    v.journal = true;
    if (journal.status != files::ReadStatus::Ok) {
        v.problems.append(where + kJournalFile + QStringLiteral(": cannot be read: ") +
                          journal.why);
        return v;
    }
    QMap<QString, QString> listed = listedIn(journal.bytes, where, v.problems);
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::Files | QDir::System, QDir::Name);
    for (const QFileInfo& entry : entries) {
        const QString name = entry.fileName();
        if (isJournalFile(name))
            continue;
        if (!listed.contains(name)) {
            v.problems.append(where + name + QStringLiteral(": not in the journal"));
            continue;
        }
        QString why;
        const QString hash = sha256Of(entry.filePath(), why);
        if (hash.isEmpty())
            v.problems.append(where + name + QStringLiteral(": cannot be read: ") + why);
        else if (hash != listed.value(name))
            v.problems.append(where + name + QStringLiteral(": changed since it was kept"));
        else
            ++v.files;
        listed.remove(name);
    }
    for (auto it = listed.cbegin(); it != listed.cend(); ++it)
        v.problems.append(where + it.key() + QStringLiteral(": missing"));
    return v;
}

FoldersVerified verifyFoldersOf(const QStringList& files) {
    FoldersVerified all;
    QStringList folders;
    for (const QString& f : files)
        if (const QString folder = QFileInfo(f).absolutePath(); !folders.contains(folder))
            folders.append(folder);
    for (const QString& folder : std::as_const(folders)) {
        const Verification v = verifyKept(folder);
        all.journal = all.journal || v.journal;
        all.files += v.files;
        all.problems += v.problems;
        if (const QString name = QFileInfo(folder).fileName(); !v.journal) // paper needs no path
            all.noJournal.append(name.isEmpty() ? QDir::toNativeSeparators(folder) : name);
    }
    return all;
}

QString verificationText(const FoldersVerified& v) {
    if (!v.journal)
        return QStringLiteral("Not verified: no journal of read-outs in %1.")
            .arg(v.noJournal.join(QStringLiteral(", ")));
    const QString unverified =
        v.noJournal.isEmpty()
            ? QString()
            : QStringLiteral(" Not verified: the files in %1, which has no journal.")
                  .arg(v.noJournal.join(QStringLiteral(", ")));
    if (v.problems.isEmpty())
        return QStringLiteral("Verified against the journal of read-outs: the %1 kept %2 as "
                              "kept.%3")
            .arg(v.files)
            .arg(v.files == 1 ? QStringLiteral("file is") : QStringLiteral("files are"),
                 unverified);
    const qsizetype more = v.problems.size() - kProblemsNamed;
    return QStringLiteral("NOT verified against the journal of read-outs, %1 %2: %3%4.%5")
        .arg(v.problems.size())
        .arg(v.problems.size() == 1 ? QStringLiteral("problem") : QStringLiteral("problems"),
             v.problems.mid(0, kProblemsNamed).join(QStringLiteral("; ")),
             more > 0 ? QStringLiteral(" and %1 more").arg(more) : QString(), unverified);
}

} // namespace report
