// The sensor and limit sections of the settings file: read with what is wrong in them, written
// back key by key, and turned into how each sensor is shown. One idea: those sections' rules.
#include "view/model/sensorsettings.h"

#include "settings/profile.h"
#include "view/model/statistics.h"

#include <QDir>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <charconv>
#include <cmath>

namespace view::inline model {

namespace {

const QString kSensorPrefix = QStringLiteral("Sensor ");
const QString kNameKey = QStringLiteral("Name");

// Sections and keys match without regard to case or repeated blanks.
QString keyOf(const QString& text) {
    return text.simplified().toUpper();
}

// The sensor a section is for: "TX 00042" from "Sensor TX 00042"; empty when it names none.
QString sensorOf(const QString& section) {
    if (!section.startsWith(kSensorPrefix, Qt::CaseInsensitive))
        return {};
    const QString sensor = section.mid(kSensorPrefix.size()).simplified();
    Kind kind;
    return sensor.indexOf(u' ') == 2 && kindOfName(sensor, kind) ? sensor : QString();
}

struct Origin { // where a setting came from, to say which line is ignored
    int line = 0;
    QString text;
};

// A line of the [Report] section into heading; why it cannot be used, else empty.
QString reportLine(const settings::ProfileEntry& e, ReportHeading& heading,
                   QHash<QString, Origin>& origins) {
    if (e.key.isEmpty())
        return {};
    QString* const field[] = {&heading.site, &heading.title, &heading.operatorName,
                              &heading.comment};
    const char* const keys[] = {"Site", "Title", "Operator", "Comment"};
    int k = 0;
    while (k < 4 && e.key.compare(QLatin1String(keys[k]), Qt::CaseInsensitive))
        ++k;
    if (k == 4)
        return QStringLiteral("not a key of [%1]").arg(e.section);
    const QString key = kReportSection.toUpper() + u'\n' + e.key.toUpper();
    if (origins.contains(key))
        return QStringLiteral("repeats the key of line %1").arg(origins[key].line);
    origins.insert(key, {e.line, e.key + u'=' + e.value});
    *field[k] = e.value.trimmed();
    return {};
}

} // namespace

bool SectionSettings::isEmpty() const {
    if (!name.isEmpty())
        return false;
    for (const auto& f : field)
        if (f)
            return false;
    return true;
}

QString sensorKey(const QString& sensorName) {
    return keyOf(sensorName);
}

const SectionSettings* SensorSettings::of(const QString& sensorName) const {
    const auto it = sensors.constFind(keyOf(sensorName));
    return it != sensors.cend() ? &*it : nullptr;
}

double SensorSettings::activationEnergy() const {
    const std::optional<Decimal>& set = limits.field[ActivationEnergy];
    return set ? set->toDouble() : kDefaultActivationEnergy;
}

QString IgnoredLine::said() const {
    return QStringLiteral("line %1: %2: %3").arg(line).arg(text, why);
}

SensorSettings parseSensorSettings(const QByteArray& contents) {
    SensorSettings out;
    QHash<QString, Origin> origins;  // by section and field key, upper case
    QHash<QString, int> sectionLine; // the header line of the first section of each name
    const auto ignore = [&](const Origin& o, const QString& why) {
        out.ignored.append({o.line, o.text, why});
    };
    for (const settings::ProfileEntry& e : settings::profileEntries(contents)) {
        const Origin origin{e.line, e.key + u'=' + e.value};
        if (e.section.compare(kReportSection, Qt::CaseInsensitive) == 0) {
            if (const QString why = reportLine(e, out.report, origins); !why.isEmpty())
                ignore(origin, why);
            continue;
        }
        const bool limits = e.section.compare(kLimitsSection, Qt::CaseInsensitive) == 0;
        const QString sensor = sensorOf(e.section);
        if (!limits && sensor.isEmpty()) {
            if (!e.key.isEmpty() &&
                e.section.startsWith(kSensorPrefix.trimmed(), Qt::CaseInsensitive))
                ignore(origin, QStringLiteral("[%1] names no sensor (a kind TX, BT, RX or BV "
                                              "and an identifier)")
                                   .arg(e.section));
            continue; // the program's own and other sections are not ours
        }
        const QString sectionKey = limits ? kLimitsSection.toUpper() : keyOf(sensor);
        // Only the first section of a name counts, as with the profile reader.
        const int first = sectionLine.value(sectionKey, e.sectionLine);
        sectionLine.insert(sectionKey, first);
        if (e.key.isEmpty())
            continue; // the header
        if (first != e.sectionLine) {
            ignore(origin, QStringLiteral("in a second [%1] section; the first is at line %2")
                               .arg(e.section)
                               .arg(first));
            continue;
        }
        SectionSettings& section = limits ? out.limits : out.sensors[sectionKey];
        const QString key = sectionKey + u'\n' + e.key.toUpper();
        if (origins.contains(key)) {
            ignore(origin, QStringLiteral("repeats the key of line %1").arg(origins[key].line));
            continue;
        }
        origins.insert(key, origin);
        if (!limits && e.key.compare(kNameKey, Qt::CaseInsensitive) == 0) {
            section.name = e.value.trimmed();
            continue;
        }
        int f = 0;
        while (f < kFields && e.key.compare(QLatin1String(kFieldKeys[f]), Qt::CaseInsensitive))
            ++f;
        if (f == kFields || (limits && !isLimit(Field(f)) && f != ActivationEnergy) ||
            (!limits && f == ActivationEnergy)) {
            ignore(origin, QStringLiteral("not a key of [%1]").arg(e.section));
            continue;
        }
        section.text[f] = e.value.trimmed();
        Decimal value;
        if (const auto problem = checkField(sensor, Field(f), e.value, value)) {
            ignore(origin, problem->why);
            continue;
        }
        section.field[f] = value;
    }
    // Limit pairs that cannot hold: the keys that make a pair wrong are read as missing.
    const auto checkPairs = [&](SectionSettings& s, const QString& sensor,
                                const QString& sectionKey, const ExactValues* shared) {
        const QList<Problem> problems = checkLimits(sensor, s.field, shared);
        for (const Problem& p : problems)
            ignore(origins.value(sectionKey + u'\n' +
                                 QString::fromLatin1(kFieldKeys[p.field]).toUpper()),
                   p.why);
        for (const Problem& p : problems)
            s.field[p.field].reset();
    };
    checkPairs(out.limits, {}, kLimitsSection.toUpper(), nullptr);
    for (auto s = out.sensors.begin(); s != out.sensors.end(); ++s)
        checkPairs(*s, s.key(), s.key(), &out.limits.field);
    return out;
}

SensorSettings readSensorSettings(const QString& path, settings::ReadStatus& status, QString& why) {
    const settings::FileRead read = settings::readRegularFile(path, settings::kMaxSettingsBytes);
    status = read.status;
    why = read.why;
    return read.status == settings::ReadStatus::Ok ? parseSensorSettings(read.bytes)
                                                   : SensorSettings();
}

SensorSettings readSensorSettings(const QString& path) {
    settings::ReadStatus status;
    QString why;
    return readSensorSettings(path, status, why);
}

QStringList settingsRemarks(const QString& path, const QString& unread,
                            const SensorSettings& settings) {
    const QString file = QDir::toNativeSeparators(path);
    QStringList out;
    if (!unread.isEmpty())
        out.append(file + QStringLiteral(" not read: ") + unread);
    for (const IgnoredLine& line : settings.ignored)
        out.append(file + u' ' + line.said());
    return out;
}

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
            changes[limits ? kLimitsSection.toUpper() : keyOf(section.key())] += list;
    }
    return changes;
}

// The key of a section's name: "LIMITS", a sensor's key, or empty for a section not ours.
QString sectionKeyOf(const QByteArray& name) {
    const QString section = QString::fromUtf8(name.trimmed()); // ours are ASCII
    if (section.compare(kLimitsSection, Qt::CaseInsensitive) == 0)
        return kLimitsSection.toUpper();
    return keyOf(sensorOf(section));
}

QByteArray entryLine(const Change& c) {
    return c.key.toUtf8() + '=' + c.value->toUtf8() + "\r\n";
}

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
    // The lines, each with its line end; a byte-order mark stays before the first.
    const QList<settings::ProfileLine> lines = settings::profileLines(contents);
    const qsizetype bom =
        contents.startsWith(settings::kByteOrderMark) ? settings::kByteOrderMark.size() : 0;
    const auto text = [&](const settings::ProfileLine& l) {
        return QByteArrayView(contents).sliced(l.begin, l.end - l.begin);
    };
    // How many sections of each of our names: one left empty goes only when it is the last.
    QHash<QString, int> sectionsLeft;
    QByteArray name;
    for (const settings::ProfileLine& l : std::as_const(lines))
        if (settings::profileSectionName(text(l), name))
            ++sectionsLeft[sectionKeyOf(name)];

    QByteArray out;
    out.reserve(contents.size() + contents.size() / 8 + 4096);
    out += contents.first(bom);
    const auto endLine = [&] { // a line end after the last line, where it has none
        if (!out.isEmpty() && out.size() > bom && !out.endsWith('\n'))
            out += out.endsWith('\r') ? "\n" : "\r\n";
    };
    QSet<QString> met;                  // sections of ours met, by key
    QList<Change>* active = nullptr;    // the changes of the section being copied, if any
    qsizetype header = 0, insertAt = 0; // in out: the section's header, after its last line
    bool kept = false;                  // the section holds a line besides its header
    bool last = false;                  // no other section of its name follows
    const auto closeSection = [&] {
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
    };
    for (const settings::ProfileLine& l : std::as_const(lines)) {
        const QByteArrayView t = text(l);
        const QByteArrayView whole = QByteArrayView(contents).sliced(l.begin, l.next - l.begin);
        if (settings::profileSectionName(t, name)) {
            closeSection();
            const QString key = sectionKeyOf(name);
            last = --sectionsLeft[key] == 0;
            if (!key.isEmpty() && !met.contains(key)) { // only the first of a name is read
                met.insert(key);
                const auto it = changes.find(key);
                if (it != changes.end()) {
                    active = &*it;
                    header = out.size();
                    kept = false;
                }
            }
            out += whole;
            insertAt = out.size();
            continue;
        }
        if (active && !t.trimmed().isEmpty()) {
            const qsizetype eq = t.indexOf('=');
            const QString key = QString::fromUtf8(t.first(eq < 0 ? t.size() : eq).trimmed());
            const auto c = std::find_if(active->begin(), active->end(), [&](const Change& c) {
                return c.key.compare(key, Qt::CaseInsensitive) == 0;
            });
            if (c != active->end() && !c->value)
                continue; // removed: every line of the key
            if (c != active->end() && !c->written) {
                out += entryLine(*c).chopped(2); // the line keeps its own line end
                out += whole.sliced(l.end - l.begin);
                c->written = true;
            } else {
                out += whole;
            }
            kept = true;
            insertAt = out.size();
            continue;
        }
        out += whole;
    }
    closeSection();
    // Sections the file does not hold yet, at its end: sensors in order, then the limits.
    QStringList added;
    for (auto it = changes.begin(); it != changes.end(); ++it)
        if (!met.contains(it.key()))
            added.append(it.key());
    std::sort(added.begin(), added.end(), [](const QString& a, const QString& b) {
        return (a == kLimitsSection.toUpper()) < (b == kLimitsSection.toUpper()) ||
               ((a == kLimitsSection.toUpper()) == (b == kLimitsSection.toUpper()) && a < b);
    });
    for (const QString& key : std::as_const(added)) {
        QByteArray entries;
        for (const Change& c : std::as_const(changes[key]))
            if (c.value)
                entries += entryLine(c);
        if (entries.isEmpty())
            continue;
        endLine();
        const QString section =
            key == kLimitsSection.toUpper() ? kLimitsSection : kSensorPrefix + key;
        out += '[' + section.toUtf8() + "]\r\n" + entries;
    }
    return out;
}

bool writeSensorEdits(const QString& path, const SensorEdits& edits, QString& error) {
    const settings::FileRead read = settings::readRegularFile(path, settings::kMaxSettingsBytes);
    if (read.status != settings::ReadStatus::Ok && read.status != settings::ReadStatus::Missing) {
        error = QStringLiteral("cannot read %1: %2").arg(QDir::toNativeSeparators(path), read.why);
        return false;
    }
    const QByteArray updated = withSensorEdits(read.bytes, edits);
    if (updated == read.bytes && read.status == settings::ReadStatus::Ok)
        return true;
    if (!settings::writeProfileFile(path, updated)) {
        error = QStringLiteral("cannot write %1").arg(QDir::toNativeSeparators(path));
        return false;
    }
    return true;
}

QList<Shown> shownSensors(const Report& report, const SensorSettings& settings) {
    QList<Shown> shown(report.sensors.size());
    const SectionSettings& shared = settings.limits;
    for (qsizetype i = 0; i < report.sensors.size(); ++i) {
        const Sensor& sensor = report.sensors[i];
        const SectionSettings* own = settings.of(sensor.name());
        Shown& s = shown[i];
        for (int v = 0; v < 2; ++v) {
            const Measure q = measureOf(sensor.kind, v == 1);
            const auto limit = [&](Field f) {
                return own && own->field[f] ? own->field[f] : shared.field[f];
            };
            s.low[v] = limit(lowField(q));
            s.high[v] = limit(highField(q));
        }
        if (!own)
            continue;
        s.name = own->name;
        for (int v = 0; v < 2; ++v) {
            const std::optional<Decimal>& gain = own->field[v ? Gain2 : Gain];
            const std::optional<Decimal>& offset = own->field[v ? Offset2 : Offset];
            s.calibration[v] = {gain.value_or(Decimal{kBillion}), offset.value_or(Decimal{})};
        }
    }
    return shown;
}

bool twoPointCalibration(double reading1, double true1, double reading2, double true2, double& gain,
                         double& offset) {
    if (reading1 == reading2 || true1 == true2)
        return false;
    gain = (true2 - true1) / (reading2 - reading1);
    // Shown values are rounded to thousandths: the gain needs the digits that keep the readings
    // calibrated, up to the larger in magnitude, within half a thousandth, and no more.
    const double largest = std::max({std::abs(reading1), std::abs(reading2), 1.0});
    const double scale = std::pow(10.0, 3 + std::ceil(std::log10(largest)));
    gain = std::round(gain * scale) / scale;
    offset = std::round((true1 - gain * reading1) * 1000) / 1000;
    return std::isfinite(gain) && std::isfinite(offset) && gain != 0;
}

} // namespace view::inline model
