#include "view/model/sensoredits.h"

#include "files/regularfile.h"
#include "settings/profile.h"
#include "view/model/kinds.h"
#include "view/model/sensorsettings.h"

#include <QDir>
#include <QHash>
#include <QSet>
#include <algorithm>
#include <optional>

namespace view {
inline namespace model {

namespace {

// A key to set (value) or to remove (no value) in a section.
struct Change {
    QString key;
    std::optional<QString> value;
    bool written = false;
};

// The edits by section key ("LIMITS" or a sensor's key), the name first, then the fields in
// their order.
QHash<QString, QList<Change>> changesOf(const SensorEdits& edits) {
    QHash<QString, QList<Change>> changes;
    const auto rank = [](const QString& key) {
        int f = 0;
        while (f < kFields && key.compare(QLatin1String(kFieldKeys[f]), Qt::CaseInsensitive))
            ++f;
        return key.compare(kNameKey, Qt::CaseInsensitive) == 0 ? -1 : f;
    };
    for (auto section = edits.cbegin(); section != edits.cend(); ++section) {
        QList<Change> list;
        for (auto key = section->cbegin(); key != section->cend(); ++key) {
            const QString value = key->trimmed();
            list.append({key.key(), value.isEmpty() ? std::nullopt : std::optional(value)});
        }
        std::stable_sort(list.begin(), list.end(), [&](const Change& a, const Change& b) {
            return rank(a.key) < rank(b.key);
        });
        const bool limits = section.key().compare(kLimitsSection, Qt::CaseInsensitive) == 0;
        if (!list.isEmpty())
            changes[limits ? kLimitsSection.toUpper() : sensorKey(section.key())] += list;
    }
    return changes;
}

// The key of a "[name]" line's section: "LIMITS", a sensor's key, or empty for a section not ours.
QString sectionKeyOf(const QByteArray& name) {
    return sectionKey(QString::fromUtf8(name.trimmed())); // ours are ASCII
}

QByteArray entryLine(const Change& c) {
    return c.key.toUtf8() + '=' + c.value->toUtf8() + "\r\n";
}

// The file copied line by line with the changes written in: a section of ours is copied with
// its key lines replaced or removed, and closed with the keys new to it, or dropped where it is
// left empty; the sections the file lacks are added at its end.
class Editor {
public:
    Editor(const QByteArray& contents, QHash<QString, QList<Change>>& changes)
        : contents(contents), changes(changes), lines(settings::profileLines(contents)),
          bom(contents.startsWith(settings::kByteOrderMark) ? settings::kByteOrderMark.size() : 0) {
    }

    QByteArray edited() {
        // How many sections of each of our names: one left empty goes only when it is the last.
        QByteArray name;
        for (const settings::ProfileLine& l : std::as_const(lines))
            if (settings::profileSectionName(text(l), name))
                ++sectionsLeft[sectionKeyOf(name)];
        out.reserve(contents.size() + contents.size() / 8 + 4096);
        out += contents.first(bom); // a byte-order mark stays before the first line
        for (const settings::ProfileLine& l : std::as_const(lines))
            copy(l);
        closeSection();
        addSections();
        return out;
    }

private:
    const QByteArray& contents;
    QHash<QString, QList<Change>>& changes;
    const QList<settings::ProfileLine> lines; // each with its line end
    const qsizetype bom;
    QByteArray out;
    QHash<QString, int> sectionsLeft;
    QSet<QString> met;                  // sections of ours met, by key
    QList<Change>* active = nullptr;    // the changes of the section being copied, if any
    qsizetype header = 0, insertAt = 0; // in out: the section's header, after its last line
    bool kept = false;                  // the section holds a line besides its header
    bool last = false;                  // no other section of its name follows

    QByteArrayView text(const settings::ProfileLine& l) const {
        return QByteArrayView(contents).sliced(l.begin, l.end - l.begin);
    }

    void endLine() { // a line end after the last line, where it has none
        if (!out.isEmpty() && out.size() > bom && !out.endsWith('\n'))
            out += out.endsWith('\r') ? "\n" : "\r\n";
    }

    void copy(const settings::ProfileLine& l) {
        const QByteArrayView t = text(l);
        const QByteArrayView whole = QByteArrayView(contents).sliced(l.begin, l.next - l.begin);
        QByteArray name;
        if (settings::profileSectionName(t, name)) {
            closeSection();
            openSection(sectionKeyOf(name));
            out += whole;
            insertAt = out.size();
        } else if (active && !t.trimmed().isEmpty()) {
            keyLine(l, t, whole);
        } else {
            out += whole;
        }
    }

    void openSection(const QString& key) {
        last = --sectionsLeft[key] == 0;
        if (key.isEmpty() || met.contains(key)) // only the first of a name is read
            return;
        met.insert(key);
        const auto it = changes.find(key);
        if (it != changes.end()) {
            active = &*it;
            header = out.size();
            kept = false;
        }
    }

    void keyLine(const settings::ProfileLine& l, QByteArrayView t, QByteArrayView whole) {
        const qsizetype eq = t.indexOf('=');
        const QString key = QString::fromUtf8(t.first(eq < 0 ? t.size() : eq).trimmed());
        const auto c = std::find_if(active->begin(), active->end(), [&](const Change& c) {
            return c.key.compare(key, Qt::CaseInsensitive) == 0;
        });
        if (c != active->end() && !c->value)
            return; // removed: every line of the key
        if (c != active->end() && !c->written) {
            out += entryLine(*c).chopped(2); // the line keeps its own line end
            out += whole.sliced(l.end - l.begin);
            c->written = true;
        } else {
            out += whole;
        }
        kept = true;
        insertAt = out.size();
    }

    void closeSection() {
        if (!active)
            return;
        QByteArray added;
        for (Change& c : *active)
            if (c.value && !c.written) {
                added += entryLine(c);
                c.written = true;
            }
        if (!added.isEmpty()) {
            const QByteArray tail = out.sliced(insertAt);
            out.truncate(insertAt);
            endLine();
            out += added + tail;
        } else if (!kept && last) {
            out.truncate(header); // left empty: the header and its blank lines go
        }
        active = nullptr;
    }

    // Sections the file does not hold yet, at its end: sensors in order, then the limits.
    void addSections() {
        QStringList added;
        for (auto it = changes.begin(); it != changes.end(); ++it)
            if (!met.contains(it.key()))
                added.append(it.key());
        const QString limits = kLimitsSection.toUpper();
        std::sort(added.begin(), added.end(), [&](const QString& a, const QString& b) {
            return (a == limits) < (b == limits) || ((a == limits) == (b == limits) && a < b);
        });
        for (const QString& key : std::as_const(added)) {
            QByteArray entries;
            for (const Change& c : std::as_const(changes[key]))
                if (c.value)
                    entries += entryLine(c);
            if (entries.isEmpty())
                continue;
            endLine();
            const QString section = key == limits ? kLimitsSection : kSensorPrefix + key;
            out += '[' + section.toUtf8() + "]\r\n" + entries;
        }
    }
};

} // namespace

QByteArray withSensorEdits(const QByteArray& original, const SensorEdits& edits) {
    QHash<QString, QList<Change>> changes = changesOf(edits);
    if (changes.isEmpty())
        return original;
    QString written; // what the edits write: a name in another script makes the file UTF-8
    for (const QList<Change>& list : std::as_const(changes))
        for (const Change& c : list)
            written += c.value.value_or(QString());
    const QByteArray contents = settings::readyForText(original, written);
    return Editor(contents, changes).edited();
}

bool writeSensorEdits(const QString& path, const SensorEdits& edits, QString& error) {
    const files::FileRead read = files::readRegularFile(path, files::kMaxSettingsBytes);
    if (read.status != files::ReadStatus::Ok && read.status != files::ReadStatus::Missing) {
        error = QStringLiteral("cannot read %1: %2").arg(QDir::toNativeSeparators(path), read.why);
        return false;
    }
    const QByteArray updated = withSensorEdits(read.bytes, edits);
    if (updated == read.bytes && read.status == files::ReadStatus::Ok)
        return true;
    if (!settings::writeProfileFile(path, updated)) {
        error = QStringLiteral("cannot write %1").arg(QDir::toNativeSeparators(path));
        return false;
    }
    return true;
}

} // namespace model
} // namespace view
