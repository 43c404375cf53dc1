// The sensor and limit sections of the settings file: read with what is wrong in them, written
// back key by key, and turned into how each sensor is shown. One idea: those sections' rules.
#include "view/sensorsettings.h"

#include "settings/profile.h"
#include "view/statistics.h"

#include <QFile>
#include <QHash>
#include <QLocale>
#include <algorithm>
#include <cmath>

namespace view {

const char* const kFieldKeys[kFields] = {
    "Offset",          "Gain",        "Offset2",         "Gain2", "TemperatureLow",
    "TemperatureHigh", "HumidityLow", "HumidityHigh",    "RxLow", "RxHigh",
    "BatteryLow",      "BatteryHigh", "ActivationEnergy"};

namespace {

const QString kSensorPrefix = QStringLiteral("Sensor ");
const QString kNameKey = QStringLiteral("Name");

// Sections and keys match without regard to case or repeated blanks, as the profile reader's do.
QString keyOf(const QString& text) {
    return text.simplified().toUpper();
}

bool isLimit(Field f) {
    return f >= TemperatureLow && f <= BatteryHigh;
}

// The sensor a section is for: "TX 00042" from "Sensor TX 00042"; empty when it names none.
QString sensorOf(const QString& section) {
    if (!section.startsWith(kSensorPrefix, Qt::CaseInsensitive))
        return {};
    const QString sensor = section.mid(kSensorPrefix.size()).simplified();
    const qsizetype space = sensor.indexOf(u' ');
    if (space < 0)
        return {};
    for (int kind = TX; kind <= BV; ++kind)
        if (sensor.left(space).compare(QLatin1String(report::kindName(kind)),
                                       Qt::CaseInsensitive) == 0)
            return sensor;
    return {};
}

struct Origin { // where a setting came from, to say which line is ignored
    int line = 0;
    QString text;
};

} // namespace

bool SectionSettings::isEmpty() const {
    if (!name.isEmpty())
        return false;
    for (const auto& f : field)
        if (f)
            return false;
    return true;
}

const SectionSettings* SensorSettings::of(const QString& sensorName) const {
    const auto it = sensors.constFind(sensorName);
    if (it != sensors.cend())
        return &*it;
    const QString key = keyOf(sensorName);
    for (auto s = sensors.cbegin(); s != sensors.cend(); ++s)
        if (keyOf(s.key()) == key)
            return &*s;
    return nullptr;
}

double SensorSettings::activationEnergy() const {
    return limits.field[ActivationEnergy].value_or(kDefaultActivationEnergy);
}

QString checkField(Field f, const QString& text, double& value) {
    bool ok = false;
    value = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return QStringLiteral("not a number (a point is the decimal separator)");
    if ((f == Gain || f == Gain2) && value == 0)
        return QStringLiteral("a gain of 0 would show every reading as the offset");
    if (f == ActivationEnergy && value <= 0)
        return QStringLiteral("an activation energy must be above 0");
    return {};
}

QString checkLimits(const std::optional<double>& low, const std::optional<double>& high) {
    if (low && high && *low > *high)
        return QStringLiteral("the low limit %1 is above the high limit %2")
            .arg(fieldText(*low), fieldText(*high));
    return {};
}

QString fieldText(double value) {
    return QLocale::c().toString(value, 'g', QLocale::FloatingPointShortest); // reads back equal
}

SensorSettings parseSensorSettings(const QByteArray& contents) {
    SensorSettings out;
    QHash<QString, Origin> origins;  // by section and field key, upper case
    QHash<QString, QString> firstOf; // sections seen, upper case, to the case first written
    QHash<QString, int> sectionLine; // the header line of the first section of each name
    const auto ignore = [&](const Origin& o, const QString& why) {
        out.ignored.append(QStringLiteral("line %1: %2: %3").arg(o.line).arg(o.text, why));
    };
    for (const settings::ProfileEntry& e : settings::profileEntries(contents)) {
        const Origin origin{e.line, e.key + u'=' + e.value};
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
        if (!firstOf.contains(sectionKey))
            firstOf.insert(sectionKey, sensor);
        SectionSettings& section = limits ? out.limits : out.sensors[firstOf[sectionKey]];
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
        double value = 0;
        const QString why = checkField(Field(f), e.value, value);
        if (!why.isEmpty()) {
            ignore(origin, why);
            continue;
        }
        section.field[f] = value;
    }
    // Limit pairs that cannot hold: a section's own pair, then a sensor's limit against the
    // shared one it is paired with. The key that makes the pair wrong is read as missing.
    const auto origin = [&](const QString& sectionKey, Field f) {
        return origins.value(sectionKey + u'\n' + QString::fromLatin1(kFieldKeys[f]).toUpper());
    };
    const auto checkPairs = [&](SectionSettings& s, const QString& sectionKey,
                                const SectionSettings* shared) {
        for (int q = 0; q < kMeasures; ++q) {
            const Field lo = lowField(Measure(q)), hi = highField(Measure(q));
            std::optional<double>&low = s.field[lo], &high = s.field[hi];
            QString why = checkLimits(low, high);
            if (!why.isEmpty()) {
                ignore(origin(sectionKey, lo), why);
                ignore(origin(sectionKey, hi), why);
                low.reset();
                high.reset();
                continue;
            }
            if (!shared)
                continue;
            why = checkLimits(low ? low : shared->field[lo], high ? high : shared->field[hi]);
            if (why.isEmpty())
                continue;
            const Field own = low ? lo : hi;
            ignore(origin(sectionKey, own), why + QStringLiteral(" (with [Limits])"));
            s.field[own].reset();
        }
    };
    checkPairs(out.limits, kLimitsSection.toUpper(), nullptr);
    for (auto s = out.sensors.begin(); s != out.sensors.end(); ++s)
        checkPairs(*s, keyOf(s.key()), &out.limits);
    return out;
}

SensorSettings readSensorSettings(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return parseSensorSettings(file.readAll());
}

QByteArray withSensorSettings(const QByteArray& contents, const SensorSettings& settings) {
    QByteArray out = contents;
    // Sections in the file keep the name they are written under; new ones are named as the
    // charts name their sensor.
    QHash<QString, QString> written; // by sensor, upper case: the section's name in the file
    QStringList gone;                // sensor sections of the file that settings no longer holds
    for (const settings::ProfileEntry& e : settings::profileEntries(contents)) {
        const QString sensor = sensorOf(e.section);
        if (e.key.isEmpty() || sensor.isEmpty() || written.contains(keyOf(sensor)))
            continue;
        written.insert(keyOf(sensor), e.section);
        if (!settings.of(sensor))
            gone.append(e.section);
    }
    const auto set = [&](const QString& section, const QString& key, const QString& value) {
        if (!value.isEmpty()) {
            out = settings::withProfileValue(out, section, key, value);
            return;
        }
        // Every line of the key goes: a later one would be read in place of the first.
        for (QByteArray less = out;
             (less = settings::withoutProfileValue(out, section, key)) != out;)
            out = less;
    };
    const auto setFields = [&](const QString& section, const SectionSettings& s) {
        for (int f = 0; f < kFields; ++f)
            set(section, QLatin1String(kFieldKeys[f]), s.field[f] ? fieldText(*s.field[f]) : "");
    };
    QStringList touched{kLimitsSection};
    for (const QString& section : std::as_const(gone)) {
        set(section, kNameKey, {});
        setFields(section, {});
        touched.append(section);
    }
    for (auto s = settings.sensors.cbegin(); s != settings.sensors.cend(); ++s) {
        const QString section = written.value(keyOf(s.key()), kSensorPrefix + s.key());
        set(section, kNameKey, s->name.trimmed());
        setFields(section, *s);
        touched.append(section);
    }
    setFields(kLimitsSection, settings.limits);
    // A section left empty goes, unless another of the same name would then be read instead.
    QStringList sections;
    for (const settings::ProfileEntry& e : settings::profileEntries(out))
        if (e.key.isEmpty())
            sections.append(e.section);
    for (const QString& section : std::as_const(touched)) {
        const QString sensor = sensorOf(section);
        const auto same = [&](const QString& other) {
            return sensor.isEmpty() ? other.compare(section, Qt::CaseInsensitive) == 0
                                    : keyOf(sensorOf(other)) == keyOf(sensor);
        };
        if (std::count_if(sections.begin(), sections.end(), same) == 1)
            out = settings::withoutEmptyProfileSection(out, section);
    }
    return out;
}

bool writeSensorSettings(const QString& path, const SensorSettings& settings, QString& error) {
    QByteArray contents;
    QFile file(path);
    if (file.exists()) {
        if (!file.open(QIODevice::ReadOnly)) {
            error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
            return false;
        }
        contents = file.readAll();
        file.close();
    }
    const QByteArray updated = withSensorSettings(contents, settings);
    if (updated == contents)
        return true;
    if (!settings::writeProfileFile(path, updated)) {
        error = QStringLiteral("cannot write %1").arg(path);
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
                const std::optional<double>& set =
                    own && own->field[f] ? own->field[f] : shared.field[f];
                return set.value_or(std::numeric_limits<double>::quiet_NaN());
            };
            s.low[v] = limit(lowField(q));
            s.high[v] = limit(highField(q));
        }
        if (!own)
            continue;
        s.name = own->name;
        s.gain[0] = own->field[Gain].value_or(1);
        s.offset[0] = own->field[Offset].value_or(0);
        s.gain[1] = own->field[Gain2].value_or(1);
        s.offset[1] = own->field[Offset2].value_or(0);
    }
    return shown;
}

bool twoPointCalibration(double reading1, double true1, double reading2, double true2, double& gain,
                         double& offset) {
    if (reading1 == reading2 || true1 == true2)
        return false;
    gain = (true2 - true1) / (reading2 - reading1);
    offset = true1 - gain * reading1;
    return std::isfinite(gain) && std::isfinite(offset);
}

} // namespace view
