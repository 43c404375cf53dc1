#include "view/model/kinds.h"

namespace view {
inline namespace model {

const char* const kFieldKeys[kFields] = {
    "Offset",          "Gain",        "Offset2",         "Gain2", "TemperatureLow",
    "TemperatureHigh", "HumidityLow", "HumidityHigh",    "RxLow", "RxHigh",
    "BatteryLow",      "BatteryHigh", "ActivationEnergy"};

namespace {

// By kind, from TX.
constexpr KindInfo kKinds[] = {
    {TemperatureMeasure, Second::Never, TemperatureMeasure}, // TX: a transmitter's temperature
    {TemperatureMeasure, Second::Always, HumidityMeasure},   // BT: temperature and humidity
    {RxMeasure, Second::Sometimes, RxMeasure},               // RX: one reading or two
    {BatteryMeasure, Second::Never, BatteryMeasure},         // BV: a supply voltage
};

struct MeasureInfo {
    const char* title;
    const char* unit;
    const char* key;
};
constexpr MeasureInfo kMeasureInfo[kMeasures] = {{"Temperature", "°C", "temperature"},
                                                 {"Relative humidity", "%", "humidity"},
                                                 {"RX readings", "", "rx"},
                                                 {"Battery", "V", "battery"}};

} // namespace

bool isLimit(Field f) {
    return f >= TemperatureLow && f <= BatteryHigh;
}

Measure limitedMeasure(Field f) {
    return Measure((f - TemperatureLow) / 2);
}

const KindInfo& kindInfo(Kind kind) {
    return kKinds[kind - TX];
}

Measure measureOf(Kind kind, bool second) {
    const KindInfo& k = kindInfo(kind);
    return second ? k.secondMeasure : k.first;
}

bool applies(Kind kind, Field f) {
    const KindInfo& k = kindInfo(kind);
    const bool two = k.second != Second::Never;
    if (f == Offset || f == Gain)
        return true;
    if (f == Offset2 || f == Gain2)
        return two;
    if (!isLimit(f))
        return false;
    const Measure q = limitedMeasure(f);
    return q == k.first || (two && q == k.secondMeasure);
}

bool kindOfName(QStringView name, Kind& kind) {
    const QStringView word = name.trimmed().left(3);
    for (int k = TX; k <= BV; ++k) {
        if (word.startsWith(QLatin1String(report::kindName(k)), Qt::CaseInsensitive) &&
            (word.size() == 2 || word[2].isSpace())) {
            kind = Kind(k);
            return true;
        }
    }
    return false;
}

QString measureTitle(Measure q) {
    return QString::fromUtf8(kMeasureInfo[q].title);
}

QString measureUnit(Measure q) {
    return QString::fromUtf8(kMeasureInfo[q].unit);
}

QString unitHeading(const QString& unit) {
    return unit.isEmpty() ? QStringLiteral("no unit") : unit;
}

const char* measureKey(Measure q) {
    return kMeasureInfo[q].key;
}

} // namespace model
} // namespace view
