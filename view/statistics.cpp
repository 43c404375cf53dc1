#include "view/statistics.h"

#include <algorithm>

namespace view {

namespace {

QString timeText(const Reading& r) {
    const QByteArray st = stampText(r);
    if (r.time == kNoTime)
        return QString::fromLatin1(st);
    return QString::fromLatin1(st.first(10) + ' ' + st.sliced(11, 2) + ':' + st.sliced(14, 2) +
                               ':' + st.sliced(17, 2));
}

} // namespace

MeanKinetic::MeanKinetic(double activationEnergy)
    : ratio_(activationEnergy * 1000 / 8.3144) {} // the gas constant in J/(mol K)

void MeanKinetic::add(double celsius) {
    const double kelvin = celsius + 273.15;
    if (!(kelvin > 0)) {
        invalid_ = true;
        return;
    }
    // The sum of exp(-ratio / T) kept scaled by its largest term, which would underflow alone.
    const double exponent = -ratio_ / kelvin;
    if (exponent > largest_) {
        sum_ = sum_ * std::exp(largest_ - exponent) + 1;
        largest_ = exponent;
    } else {
        sum_ += std::exp(exponent - largest_);
    }
    ++count_;
}

double MeanKinetic::result() const {
    if (invalid_ || count_ == 0)
        return std::numeric_limits<double>::quiet_NaN();
    return ratio_ / -(largest_ + std::log(sum_ / double(count_))) - 273.15;
}

QList<Statistics> statisticsOf(const Report& report, const QList<Quantity>& charts,
                               double activationEnergy) {
    QList<Statistics> out;
    for (const Quantity& q : charts) {
        for (const Series& s : q.series) {
            Statistics st;
            st.series = s.name;
            st.label = s.label == s.name ? QString() : s.label;
            st.quantity = q.title;
            st.unit = q.unit;
            st.interval = s.interval;
            st.gaps = s.gaps.size();
            st.low = s.low;
            st.high = s.high;
            for (const std::uint32_t k : s.gaps) {
                const std::uint32_t gap = s.times[k + 1] - s.times[k];
                if (gap > st.longestGap) {
                    st.longestGap = gap;
                    st.longestGapStart = timeText(report.readings[s.at[k]]);
                }
            }
            const qsizetype n = s.at.size();
            // Sums of the differences from the first value: no precision lost to a large mean.
            double sum = 0, squares = 0;
            const double origin = n > 0 ? s.value(0) : 0;
            qsizetype min = -1, max = -1;
            MeanKinetic kinetic(activationEnergy);
            const bool limited = s.limited();
            std::int64_t run = 0;
            qsizetype runStart = -1, gap = 0; // gap: the first of s.gaps at or after k
            for (qsizetype k = 0; k < n; ++k) {
                const double v = s.value(k);
                if (min < 0 || v < st.minimum)
                    st.minimum = v, min = k;
                if (max < 0 || v > st.maximum)
                    st.maximum = v, max = k;
                sum += v - origin;
                squares += (v - origin) * (v - origin);
                if (q.temperature)
                    kinetic.add(v);
                if (!limited)
                    continue;
                while (gap < s.gaps.size() && s.gaps[gap] < k)
                    ++gap;
                const bool gapAfter = gap < s.gaps.size() && s.gaps[gap] == k;
                if (s.outside(v)) {
                    if (runStart < 0)
                        runStart = k, run = 0, ++st.excursions;
                    const std::uint32_t to =
                        k + 1 < n ? std::min(s.times[k + 1] - s.times[k], s.interval) : s.interval;
                    run += to;
                    st.outside += to;
                }
                if (runStart >= 0 && (!s.outside(v) || gapAfter || k + 1 == n)) {
                    if (run > st.longestExcursion || st.longestExcursionStart.isEmpty()) {
                        st.longestExcursion = run;
                        st.longestExcursionStart = timeText(report.readings[s.at[runStart]]);
                    }
                    runStart = -1;
                }
            }
            st.lowBat = s.lowBat.size();
            st.readings = n + s.untimed;
            if (n > 0) {
                st.mean = origin + sum / double(n);
                if (n > 1)
                    st.deviation =
                        std::sqrt(std::max(0.0, (squares - sum * sum / double(n)) / double(n - 1)));
                st.first = timeText(report.readings[s.at.first()]);
                st.last = timeText(report.readings[s.at.last()]);
                st.minimumAt = timeText(report.readings[s.at[min]]);
                st.maximumAt = timeText(report.readings[s.at[max]]);
                if (q.temperature)
                    st.meanKinetic = kinetic.result();
            }
            out.append(st);
        }
    }
    return out;
}

QString limitsText(double low, double high, const QString& unit) {
    const QString u = unit.isEmpty() ? QString() : u' ' + unit;
    const auto text = [](double v) { return QString::number(v, 'g', 10); };
    if (!std::isnan(low) && !std::isnan(high))
        return QStringLiteral("%1 to %2%3").arg(text(low), text(high), u);
    if (!std::isnan(high))
        return QStringLiteral("at most %1%2").arg(text(high), u);
    if (!std::isnan(low))
        return QStringLiteral("at least %1%2").arg(text(low), u);
    return {};
}

QString spanText(std::uint32_t seconds) {
    const std::uint32_t d = seconds / 86400, h = seconds / 3600 % 24, m = seconds / 60 % 60;
    if (d > 0)
        return h ? QStringLiteral("%1 d %2 h").arg(d).arg(h) : QStringLiteral("%1 d").arg(d);
    if (h > 0)
        return m ? QStringLiteral("%1 h %2 min").arg(h).arg(m) : QStringLiteral("%1 h").arg(h);
    if (m > 0 && seconds % 60 == 0)
        return QStringLiteral("%1 min").arg(m);
    if (m > 0)
        return QStringLiteral("%1 min %2 s").arg(m).arg(seconds % 60);
    return QStringLiteral("%1 s").arg(seconds);
}

} // namespace view
