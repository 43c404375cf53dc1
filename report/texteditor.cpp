#include "report/texteditor.h"

#include "files/regularfile.h"

#include <QDir>
#include <QFileInfo>

namespace report {

namespace {

const QByteArray kPlainText = "text/plain";
// Lists and desktop entries are small; a larger file is neither.
constexpr qint64 kMostBytes = 1024 * 1024;

// An XDG base folder: the variable's value, else the fallback.
QString baseFolder(const char* variable, const QString& fallback) {
    const QString set = qEnvironmentVariable(variable);
    return set.startsWith(u'/') ? set : fallback;
}

QStringList baseFolders(const char* variable, const QString& fallback) {
    QStringList folders;
    for (const QString& f : qEnvironmentVariable(variable).split(u':', Qt::SkipEmptyParts))
        if (f.startsWith(u'/'))
            folders.append(f);
    return folders.isEmpty() ? fallback.split(u':') : folders;
}

// The folders that hold applications, most important first.
QStringList applicationFolders() {
    QStringList folders{baseFolder("XDG_DATA_HOME", QDir::homePath() + "/.local/share")};
    folders += baseFolders("XDG_DATA_DIRS", QStringLiteral("/usr/local/share:/usr/share"));
    for (QString& f : folders)
        f += QStringLiteral("/applications");
    return folders;
}

// The files that may name the default, most important first, each with the group to read.
QList<std::pair<QString, QByteArray>> defaultLists() {
    QStringList desktops;
    for (const QString& d : qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':'))
        if (!d.isEmpty())
            desktops.append(d.toLower() + QStringLiteral("-mimeapps.list"));
    desktops.append(QStringLiteral("mimeapps.list"));
    QStringList folders{baseFolder("XDG_CONFIG_HOME", QDir::homePath() + "/.config")};
    folders += baseFolders("XDG_CONFIG_DIRS", QStringLiteral("/etc/xdg"));
    const QStringList applications = applicationFolders();
    folders += applications;
    QList<std::pair<QString, QByteArray>> lists;
    for (const QString& folder : folders)
        for (const QString& name : desktops)
            lists.append({folder + u'/' + name, "Default Applications"});
    for (const QString& folder : applications)
        lists.append({folder + QStringLiteral("/defaults.list"), "Default Applications"});
    for (const QString& folder : applications)
        lists.append({folder + QStringLiteral("/mimeinfo.cache"), "MIME Cache"});
    return lists;
}

// The value of key in group of a desktop file or list.
QString valueOf(const QByteArray& text, const QByteArray& group, const QByteArray& key) {
    bool inGroup = false;
    for (QByteArray line : text.split('\n')) {
        line = line.trimmed();
        const qsizetype equals = line.indexOf('=');
        if (line.startsWith('['))
            inGroup = line == '[' + group + ']';
        else if (inGroup && equals > 0 && line.left(equals).trimmed() == key) // the first counts
            return QString::fromUtf8(line.mid(equals + 1).trimmed());
    }
    return {};
}

// The command of the desktop entry at entry for path; false where it has none to give.
bool commandOf(const QByteArray& entry, const QString& path, QString& program,
               QStringList& arguments) {
    const QByteArray group = "Desktop Entry";
    if (valueOf(entry, group, "Hidden") == u"true" || valueOf(entry, group, "Terminal") == u"true")
        return false;
    QStringList words = execWords(valueOf(entry, group, "Exec"));
    if (words.isEmpty())
        return false;
    program = words.takeFirst();
    arguments.clear();
    bool given = false;
    for (const QString& w : std::as_const(words)) {
        static const QStringList files{"%f", "%F", "%u", "%U"};
        if (files.contains(w) && !given) {
            arguments.append(path);
            given = true;
        } else if (!(w.size() == 2 && w[0] == u'%')) { // other field codes stand for nothing
            arguments.append(QString(w).replace(QStringLiteral("%%"), QStringLiteral("%")));
        }
    }
    if (!given)
        arguments.append(path);
    return true;
}

} // namespace

QStringList execWords(const QString& exec) {
    QStringList words;
    QString word;
    bool quoted = false, any = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (c == u'\\' && i + 1 < exec.size()) {
            word += exec[++i];
            any = true;
        } else if (c == u'"') {
            quoted = !quoted;
            any = true;
        } else if (c == u' ' && !quoted) {
            if (any)
                words.append(word);
            word.clear();
            any = false;
        } else {
            word += c;
            any = true;
        }
    }
    if (any)
        words.append(word);
    return words;
}

bool plainTextEditor(const QString& path, QString& program, QStringList& arguments) {
    const QStringList applications = applicationFolders();
    for (const auto& [list, group] : defaultLists()) {
        const files::FileRead read = files::readRegularFile(list, kMostBytes);
        if (read.status != files::ReadStatus::Ok)
            continue;
        // The first application named that is installed; one that cannot open the file is no
        // reason to look further, as the desktop would not either.
        for (const QString& id : valueOf(read.bytes, group, kPlainText).split(u';')) {
            if (id.isEmpty() || id.contains(u'/'))
                continue;
            for (const QString& folder : applications) {
                const files::FileRead entry =
                    files::readRegularFile(folder + u'/' + id, kMostBytes);
                if (entry.status == files::ReadStatus::Ok)
                    return commandOf(entry.bytes, path, program, arguments);
            }
        }
    }
    return false;
}

} // namespace report
