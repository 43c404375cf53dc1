#include "view/model/charts.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace view {
inline namespace model {

namespace {

// The gaps: spacings longer than three usual intervals.
void findGaps(Series& s) {
    s.interval = intervalOf(s.times);
    if (s.interval == 0)
        return; // no two readings apart, so none far apart
    const std::uint64_t limit = 3 * std::uint64_t(s.interval);
    for (qsizetype k = 0; k + 1 < s.times.size(); ++k)
        if (s.times[k + 1] - s.times[k] > limit)
            s.gaps.append(std::uint32_t(k));
}

} // namespace

void Series::setLimits(std::optional<Decimal> low, std::optional<Decimal> high) {
    low_ = low;
    high_ = high;
    // Limits are billionths, shown values thousandths: a million of one is one of the other.
    constexpr std::int64_t kPer = kBillion / 1000;
    const auto floorOf = [](std::int64_t b) { return b / kPer - (b % kPer < 0); };
    lowest_ = low ? -floorOf(-low->billionths) : std::numeric_limits<std::int64_t>::min();
    highest_ = high ? floorOf(high->billionths) : std::numeric_limits<std::int64_t>::max();
}

std::uint32_t intervalOf(const QList<std::uint32_t>& times) {
    std::vector<std::uint32_t> spacing;
    spacing.reserve(size_t(std::max<qsizetype>(times.size() - 1, 0)));
    for (qsizetype k = 0; k + 1 < times.size(); ++k)
        if (times[k + 1] > times[k])
            spacing.push_back(times[k + 1] - times[k]);
    if (spacing.empty())
        return 0;
    const auto middle = spacing.begin() + qsizetype(spacing.size() / 2);
    std::nth_element(spacing.begin(), middle, spacing.end());
    return *middle;
}

namespace {

// The series of every sensor and value of a report, by sensor and value.
struct AllSeries {
    const Report& report;
    const QList<Shown>& shown;
    std::vector<Series> all;
    std::vector<std::int32_t> index; // by sensor * 2 + second: in all, or -1

    AllSeries(const Report& report, const QList<Shown>& shown)
        : report(report), shown(shown), index(size_t(report.sensors.size()) * 2, -1) {}

    // A BT reading always has both values: its humidity shares the temperature's positions
    // and times, not copied.
    bool shares(std::uint32_t sensor) const {
        return kindInfo(report.sensors[sensor].kind).second == Second::Always;
    }

    std::int32_t seriesOf(std::uint32_t sensor, bool second) {
        std::int32_t& i = index[sensor * 2 + second];
        if (i >= 0)
            return i;
        i = std::int32_t(all.size());
        const Sensor& s = report.sensors[sensor];
        Series& made = all.emplace_back();
        // A second value of the same measure as the first (RX) is told apart by its number.
        const QString two = second && measureOf(s.kind, true) == measureOf(s.kind, false)
                                ? QStringLiteral(" (2)")
                                : QString();
        made.name = s.name() + two;
        made.label = made.name;
        made.sensor = sensor;
        made.second = second;
        if (sensor < std::uint32_t(shown.size())) {
            const Shown& how = shown[sensor];
            if (!how.name.isEmpty())
                made.label = how.name + two;
            made.calibration = how.calibration[second];
            made.setLimits(how.low[second], how.high[second]);
        }
        return i;
    }

    // Filled in one go, as the readings come in time order: in two passes, the series made
    // and their readings counted, then filled in place.
    void fill() {
        struct Fill {
            std::uint32_t *at, *times;
            std::int32_t* values;
        };
        std::vector<Fill> fill;
        std::vector<qsizetype> count;
        for (int pass = 0; pass < 2; ++pass) {
            for (qsizetype i = 0; i < report.readings.size(); ++i) {
                const Reading& r = report.readings[i];
                // Both series are made before either is used: making one may move the other.
                const std::int32_t f = seriesOf(r.sensor, false);
                const std::int32_t g = r.hasValue2 ? seriesOf(r.sensor, true) : -1;
                const bool shared = shares(r.sensor);
                for (const std::int32_t k : {f, g}) {
                    if (k < 0)
                        continue;
                    Series& s = all[size_t(k)];
                    if (r.time == kNoTime) {
                        s.untimed += pass;
                    } else if (pass == 0) {
                        count.resize(std::max(count.size(), size_t(k) + 1));
                        ++count[size_t(k)];
                    } else {
                        Fill& to = fill[size_t(k)];
                        *to.values++ = k == f ? r.value : r.value2;
                        if (k == g && shared)
                            continue;
                        if (r.lowBat)
                            s.lowBat.append(std::uint32_t(to.at - s.at.data()));
                        *to.at++ = std::uint32_t(i);
                        *to.times++ = r.time;
                    }
                }
            }
            if (pass == 1)
                break;
            count.resize(all.size());
            for (size_t k = 0; k < all.size(); ++k) {
                Series& s = all[k];
                const bool shared = s.second && shares(s.sensor);
                const qsizetype n = count[k];
                s.values.resize(n);
                s.at.resize(shared ? 0 : n);
                s.times.resize(shared ? 0 : n);
                fill.push_back({s.at.data(), s.times.data(), s.values.data()});
            }
        }
        for (Series& s : all) {
            if (s.second && shares(s.sensor)) {
                const Series& temperature = all[size_t(index[s.sensor * 2])];
                s.at = temperature.at;
                s.times = temperature.times;
                s.lowBat = temperature.lowBat;
            }
        }
    }
};

} // namespace

QList<Quantity> quantities(const Report& report, const QList<Shown>& shown) {
    AllSeries series(report, shown);
    series.fill();
    QList<Quantity> charts(kMeasures);
    for (int c = 0; c < kMeasures; ++c)
        charts[c] = {
            c == TemperatureMeasure, measureTitle(Measure(c)), measureUnit(Measure(c)), {}};
    for (Series& s : series.all) {
        findGaps(s);
        findExtremes(s);
        charts[measureOf(report.sensors[s.sensor].kind, s.second)].series.append(std::move(s));
    }
    QList<Quantity> present;
    for (Quantity& q : charts) {
        std::sort(q.series.begin(), q.series.end(), [&](const Series& a, const Series& b) {
            const Sensor &x = report.sensors[a.sensor], &y = report.sensors[b.sensor];
            return std::tie(x.kind, x.id, a.second) < std::tie(y.kind, y.id, b.second);
        });
        if (!q.series.isEmpty())
            present.append(std::move(q));
    }
    return present;
}

bool timeSpan(const Quantity& quantity, double& start, double& end) {
    bool timed = false;
    for (const Series& s : quantity.series) {
        if (s.at.isEmpty())
            continue;
        const double first = s.ms(0), last = s.ms(s.at.size() - 1);
        start = timed ? std::min(start, first) : first;
        end = timed ? std::max(end, last) : last;
        timed = true;
    }
    if (timed && end <= start) { // a single moment still gets a minute of axis, around it
        start -= 30000;
        end += 30000;
    }
    return timed;
}

} // namespace model
} // namespace view
