#include "view/render/valueaxis.h"

#include <algorithm>
#include <cmath>

namespace view {
inline namespace render {

namespace {

// A round step of about span / count: 1, 2 or 5 times a power of ten; for a span that is no
// positive finite number, 1.
double niceStep(double span, int count) {
    const double raw = span / std::max(count, 1);
    if (!(raw > 0) || !std::isfinite(raw))
        return 1;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double m : {1.0, 2.0, 5.0})
        if (raw <= m * power)
            return m * power;
    return 10 * power;
}

// The round step below step: 5 below 10, 2 below 5, 1 below 2.
double smallerStep(double step) {
    const double power = std::pow(10.0, std::floor(std::log10(step) + 1e-9));
    const double m = step / power;
    return m > 4 ? 2 * power : m > 1.5 ? power : power / 2;
}

} // namespace

QList<double> valueTicks(double low, double high, int most) {
    QList<double> ticks;
    if (!(high > low) || !std::isfinite(high - low))
        return ticks;
    double step = niceStep(high - low, most);
    const auto count = [&](double s) { return std::floor(high / s) - std::ceil(low / s) + 1; };
    for (int k = 0; k < 8 && count(step) < 4; ++k)
        step = smallerStep(step);
    // Counted, not added up: a step too small to change a large value still ends the loop.
    const double first = std::ceil(low / step);
    for (int row = 0; row < 200 && (first + row) * step <= high; ++row)
        ticks.append((first + row) * step);
    return ticks;
}

} // namespace render
} // namespace view
