#include "view/charts.h"

#include <QHash>
#include <algorithm>

namespace view {

namespace {

enum Chart { Temperature, Humidity, Readings, Battery, Charts };

const char* const kTitles[Charts] = {"Temperature", "Relative humidity", "RX readings", "Battery"};
const char* const kUnits[Charts] = {"°C", "%", "", "V"};

// Where a reading's value (second = false) or second value goes.
Chart chartOf(Kind kind, bool second) {
    switch (kind) {
    case TX:
        return Temperature;
    case BT:
        return second ? Humidity : Temperature;
    case RX:
        return Readings;
    case BV:
        return Battery;
    }
    return Charts;
}

QString seriesName(const Sensor& sensor, bool second) {
    return sensor.name() + (second && sensor.kind == RX ? QStringLiteral(" (2)") : QString());
}

QString timeText(const Reading& r) {
    const QByteArray st = StampText(r);
    if (r.time == kNoTime)
        return QString::fromLatin1(st);
    return QString::fromLatin1(st.first(10) + ' ' + st.sliced(11, 2) + ':' + st.sliced(14, 2) +
                               ':' + st.sliced(17, 2));
}

// Calls f(chart, key, value) for each value of r; key names the series within the report.
template <typename F> void eachValue(const Report& report, const Reading& r, F f) {
    const Kind kind = report.sensors[r.sensor].kind;
    f(chartOf(kind, false), quint64(r.sensor) * 2, r.value / 10.0, false);
    if (r.hasValue2)
        f(chartOf(kind, true), quint64(r.sensor) * 2 + 1, r.value2 / 10.0, true);
}

} // namespace

QList<Quantity> Quantities(const Report& report) {
    QList<Quantity> charts(Charts);
    for (int c = 0; c < Charts; ++c)
        charts[c] = {QString::fromUtf8(kTitles[c]), QString::fromUtf8(kUnits[c]), {}};
    QHash<quint64, qsizetype> index;
    for (const Reading& r : report.readings) {
        eachValue(report, r, [&](Chart c, quint64 key, double value, bool second) {
            auto it = index.find(key);
            if (it == index.end()) {
                it = index.insert(key, charts[c].series.size());
                charts[c].series.append({seriesName(report.sensors[r.sensor], second), {}, {}, 0});
            }
            SeriesData& s = charts[c].series[*it];
            if (r.time == kNoTime) {
                ++s.untimed;
                return;
            }
            s.points.append(QPointF(double(r.time), value));
            if (r.lowBat)
                s.lowBat.append(s.points.last());
        });
    }
    const auto byTime = [](const QPointF& a, const QPointF& b) { return a.x() < b.x(); };
    QList<Quantity> present;
    for (Quantity& q : charts) {
        for (SeriesData& s : q.series) {
            // Reports come in time order as a rule; a stable sort keeps equal times in order.
            if (!std::is_sorted(s.points.begin(), s.points.end(), byTime)) {
                std::stable_sort(s.points.begin(), s.points.end(), byTime);
                std::stable_sort(s.lowBat.begin(), s.lowBat.end(), byTime);
            }
        }
        if (!q.series.isEmpty())
            present.append(std::move(q));
    }
    return present;
}

QList<Statistics> StatisticsOf(const Report& report) {
    struct Acc {
        Statistics s;
        double sum = 0;
        const Reading *first = nullptr, *last = nullptr, *min = nullptr, *max = nullptr;
    };
    QList<Acc> acc;
    QHash<quint64, qsizetype> index;
    for (const Reading& r : report.readings) {
        eachValue(report, r, [&](Chart c, quint64 key, double value, bool second) {
            auto it = index.find(key);
            if (it == index.end()) {
                it = index.insert(key, acc.size());
                acc.append(Acc{});
                acc.last().s.series = seriesName(report.sensors[r.sensor], second);
                acc.last().s.quantity = QString::fromUtf8(kTitles[c]);
                acc.last().s.unit = QString::fromUtf8(kUnits[c]);
            }
            Acc& a = acc[*it];
            if (a.s.readings == 0 || value < a.s.minimum) {
                a.s.minimum = value;
                a.min = &r;
            }
            if (a.s.readings == 0 || value > a.s.maximum) {
                a.s.maximum = value;
                a.max = &r;
            }
            ++a.s.readings;
            a.sum += value;
            a.s.lowBat += r.lowBat;
            if (r.time != kNoTime && (!a.first || r.time < a.first->time))
                a.first = &r;
            if (r.time != kNoTime && (!a.last || r.time >= a.last->time))
                a.last = &r;
        });
    }
    QList<Statistics> out;
    for (Acc& a : acc) {
        a.s.mean = a.sum / double(a.s.readings);
        a.s.first = a.first ? timeText(*a.first) : QString();
        a.s.last = a.last ? timeText(*a.last) : QString();
        a.s.minimumAt = timeText(*a.min);
        a.s.maximumAt = timeText(*a.max);
        out.append(a.s);
    }
    return out;
}

} // namespace view
