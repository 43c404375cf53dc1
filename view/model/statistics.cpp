#include "view/model/statistics.h"

#include <algorithm>
#include <charconv>

namespace view {
inline namespace model {

namespace {

// A double with decimals, a point as separator; no "-0.0000".
QByteArray plainNumber(double value, int decimals) {
    if (std::isnan(value))
        return {};
    char text[400];
    const auto r =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    QByteArray out(text, r.ptr - text);
    if (out.startsWith('-') &&
        std::all_of(out.begin() + 1, out.end(), [](char c) { return c == '0' || c == '.'; }))
        out.remove(0, 1);
    return out;
}

QByteArray limitText(const std::optional<Decimal>& limit) {
    return limit ? decimalText(*limit) : QByteArray();
}

} // namespace

MeanKinetic::MeanKinetic(double activationEnergy)
    : ratio_(activationEnergy * 1000 / 8.3144) {} // the gas constant in J/(mol K)

void MeanKinetic::add(double celsius, double weight) {
    const double kelvin = celsius + 273.15;
    if (!(kelvin > 0)) {
        invalid_ = true;
        return;
    }
    // The sum of w exp(-ratio / T) kept scaled by its largest exponent, which would underflow
    // alone.
    const double exponent = -ratio_ / kelvin;
    if (exponent > largest_) {
        sum_ = sum_ * std::exp(largest_ - exponent) + weight;
        largest_ = exponent;
    } else {
        sum_ += weight * std::exp(exponent - largest_);
    }
    weight_ += weight;
}

double MeanKinetic::result() const {
    if (invalid_ || !(weight_ > 0) || !(sum_ > 0))
        return Statistics::kNone;
    return ratio_ / -(largest_ + std::log(sum_ / weight_)) - 273.15;
}

namespace {

// What a series is, before its readings are counted.
Statistics describeSeries(const Report& report, const Quantity& q, const Series& s) {
    Statistics st;
    const Sensor& sensor = report.sensors[s.sensor];
    st.series = s.name;
    st.label = s.label == s.name ? QString() : s.label;
    st.kind = sensor.kind;
    st.id = sensor.id;
    st.measure = measureOf(sensor.kind, s.second);
    st.second = s.second;
    st.quantity = q.title;
    st.unit = q.unit;
    st.interval = s.interval;
    st.gaps = s.gaps.size();
    st.calibration = s.calibration;
    st.low = s.low();
    st.high = s.high();
    for (const std::uint32_t k : s.gaps) {
        const std::uint32_t gap = s.times[k + 1] - s.times[k];
        if (gap > st.longestGap) {
            st.longestGap = gap;
            st.longestGapStart = s.times[k];
        }
    }
    st.lowBat = s.lowBat.size();
    st.readings = s.at.size() + s.untimed;
    return st;
}

// The time the k-th reading of a series stands for: to the next one, at most the usual
// interval.
std::uint32_t standsFor(const Series& s, qsizetype k) {
    return k + 1 < s.at.size() ? std::min(s.times[k + 1] - s.times[k], s.interval) : s.interval;
}

// The runs of a series' readings outside its limits, fed its readings in time order: a run ends
// at a reading inside, at a gap, or at the last reading.
class Runs {
public:
    explicit Runs(const Series& s) : s_(s) {}
    /// Adds the k-th reading, shown as v; true when it ends a run, which run() then is.
    bool add(qsizetype k, std::int64_t v, std::uint32_t stands) {
        while (gap_ < s_.gaps.size() && s_.gaps[gap_] < k)
            ++gap_;
        const bool gapAfter = gap_ < s_.gaps.size() && s_.gaps[gap_] == k;
        const bool outside = s_.outside(v);
        if (outside) {
            if (!in_)
                run_ = {s_.times[k], s_.times[k], 0, 0, v, v}, in_ = true;
            run_.to = s_.times[k];
            ++run_.readings;
            run_.seconds += stands;
            run_.lowest = std::min(run_.lowest, v);
            run_.highest = std::max(run_.highest, v);
        }
        const bool ends = in_ && (!outside || gapAfter || k + 1 == s_.at.size());
        in_ = in_ && !ends;
        return ends;
    }
    const Excursion& run() const { return run_; }

private:
    const Series& s_;
    qsizetype gap_ = 0; // the first of the series' gaps at or after the reading
    bool in_ = false;
    Excursion run_;
};

// One pass over a series' shown values: extremes, sums, MKT and excursions.
void countReadings(const Quantity& q, const Series& s, double activationEnergy, Statistics& st) {
    const qsizetype n = s.at.size();
    MeanKinetic kinetic(activationEnergy);
    const bool limited = st.limited();
    Runs runs(s);
    qsizetype min = -1, max = -1;
    std::int64_t minimum = 0, maximum = 0;
    for (qsizetype k = 0; k < n; ++k) {
        const std::int64_t v = s.shownAt(k);
        if (min < 0 || v < minimum)
            min = k, minimum = v;
        if (max < 0 || v > maximum)
            max = k, maximum = v;
        st.moments.add(v);
        const std::uint32_t stands = standsFor(s, k);
        if (q.temperature)
            kinetic.add(double(v) / 1000, s.interval > 0 ? double(stands) : 1.0);
        if (!limited || !runs.add(k, v, stands))
            continue;
        const Excursion& run = runs.run();
        ++st.excursions;
        st.outside += run.seconds;
        if (run.seconds > st.longestExcursion || st.longestExcursionStart == kNoTime) {
            st.longestExcursion = run.seconds;
            st.longestExcursionStart = run.from;
        }
    }
    if (n > 0) {
        st.first = s.times.first();
        st.last = s.times.last();
        st.minimum = minimum;
        st.maximum = maximum;
        st.minimumAt = s.times[min];
        st.maximumAt = s.times[max];
        if (q.temperature)
            st.meanKinetic = kinetic.result();
    }
}

} // namespace

QList<Excursion> excursionsOf(const Series& s) {
    QList<Excursion> out;
    Runs runs(s);
    for (qsizetype k = 0; s.limited() && k < s.at.size(); ++k)
        if (runs.add(k, s.shownAt(k), standsFor(s, k)))
            out.append(runs.run());
    return out;
}

QList<Statistics> statisticsOf(const Report& report, const QList<Quantity>& charts,
                               double activationEnergy) {
    QList<Statistics> out;
    for (const Quantity& q : charts) {
        for (const Series& s : q.series) {
            Statistics st = describeSeries(report, q, s);
            countReadings(q, s, activationEnergy, st);
            out.append(st);
        }
    }
    return out;
}

QString limitsText(const std::optional<Decimal>& low, const std::optional<Decimal>& high,
                   const QString& unit) {
    const QString u = unit.isEmpty() ? QString() : u' ' + unit;
    const auto text = [](const std::optional<Decimal>& v) {
        return QString::fromLatin1(limitText(v));
    };
    if (low && high)
        return QStringLiteral("%1 to %2%3").arg(text(low), text(high), u);
    if (high)
        return QStringLiteral("at most %1%2").arg(text(high), u);
    if (low)
        return QStringLiteral("at least %1%2").arg(text(low), u);
    return {};
}

QString calibrationText(const Calibration& c) {
    QStringList parts;
    if (c.gain.billionths != kBillion)
        parts.append(QStringLiteral("gain ") + QString::fromLatin1(decimalText(c.gain)));
    if (c.offset.billionths != 0)
        parts.append(QStringLiteral("offset ") + QString::fromLatin1(decimalText(c.offset)));
    return parts.isEmpty() ? QStringLiteral("none") : parts.join(QStringLiteral(", "));
}

QString spanText(std::int64_t seconds) {
    const std::int64_t d = seconds / 86400, h = seconds / 3600 % 24, m = seconds / 60 % 60,
                       s = seconds % 60;
    QStringList parts;
    if (d > 0)
        parts.append(QStringLiteral("%1 d").arg(d));
    if (h > 0)
        parts.append(QStringLiteral("%1 h").arg(h));
    if (m > 0)
        parts.append(QStringLiteral("%1 min").arg(m));
    if (s > 0 || parts.isEmpty())
        parts.append(QStringLiteral("%1 s").arg(s));
    return parts.join(u' ');
}

QString valueText(const std::optional<std::int64_t>& thousandths) {
    return thousandths ? QString::fromLatin1(thousandthsText(*thousandths)) : QString();
}

QString fixedNumber(double value, int decimals) {
    return QString::fromLatin1(plainNumber(value, decimals));
}

} // namespace model
} // namespace view
