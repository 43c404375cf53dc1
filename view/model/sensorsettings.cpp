// The sensor and limit sections of the settings file: read with what is wrong in them, and
// turned into how each sensor is shown (sensoredits.cpp writes them back key by key). One idea:
// those sections' rules.
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

namespace view {
inline namespace model {

namespace {

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

// A line of a sensor's section or of the limits into section; why it cannot be used, else empty.
QString sectionEntry(const settings::ProfileEntry& e, bool limits, const QString& sensor,
                     SectionSettings& section) {
    if (!limits && e.key.compare(kNameKey, Qt::CaseInsensitive) == 0) {
        section.name = e.value.trimmed();
        return {};
    }
    int f = 0;
    while (f < kFields && e.key.compare(QLatin1String(kFieldKeys[f]), Qt::CaseInsensitive))
        ++f;
    if (f == kFields || (limits && !isLimit(Field(f)) && f != ActivationEnergy) ||
        (!limits && f == ActivationEnergy))
        return QStringLiteral("not a key of [%1]").arg(e.section);
    section.text[f] = e.value.trimmed();
    Decimal value;
    if (const auto problem = checkField(sensor, Field(f), e.value, value))
        return problem->why;
    section.field[f] = value;
    return {};
}

// Limit pairs that cannot hold: the keys that make a pair wrong are read as missing.
void checkPairs(SectionSettings& s, const QString& sensor, const QString& sectionKey,
                const ExactValues* shared, const QHash<QString, Origin>& origins,
                QList<IgnoredLine>& ignored) {
    const QList<Problem> problems = checkLimits(sensor, s.field, shared);
    for (const Problem& p : problems) {
        const Origin o =
            origins.value(sectionKey + u'\n' + QString::fromLatin1(kFieldKeys[p.field]).toUpper());
        ignored.append({o.line, o.text, p.why});
    }
    for (const Problem& p : problems)
        s.field[p.field].reset();
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
        if (const QString why = sectionEntry(e, limits, sensor, section); !why.isEmpty())
            ignore(origin, why);
    }
    checkPairs(out.limits, {}, kLimitsSection.toUpper(), nullptr, origins, out.ignored);
    for (auto s = out.sensors.begin(); s != out.sensors.end(); ++s)
        checkPairs(*s, s.key(), s.key(), &out.limits.field, origins, out.ignored);
    return out;
}

SensorSettings readSensorSettings(const QString& path, files::ReadStatus& status, QString& why) {
    const files::FileRead read = files::readRegularFile(path, files::kMaxSettingsBytes);
    status = read.status;
    why = read.why;
    return read.status == files::ReadStatus::Ok ? parseSensorSettings(read.bytes)
                                                : SensorSettings();
}

SensorSettings readSensorSettings(const QString& path) {
    files::ReadStatus status;
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

QString sectionKey(const QString& section) {
    if (section.compare(kLimitsSection, Qt::CaseInsensitive) == 0)
        return kLimitsSection.toUpper();
    return keyOf(sensorOf(section));
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

} // namespace model
} // namespace view
