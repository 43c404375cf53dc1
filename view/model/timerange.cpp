#include "view/model/timerange.h"

#include <algorithm>

namespace view {
inline namespace model {

TimeRange within(const TimeRange& range, const TimeRange& full) {
    const double span = std::clamp(range.span(), std::min(kNarrowest, full.span()), full.span());
    const double x0 = std::clamp(range.x0, full.x0, full.x1 - span);
    return {x0, x0 + span};
}

TimeRange zoomed(const TimeRange& now, const TimeRange& full, double at, double factor) {
    const double span =
        std::clamp(now.span() * factor, std::min(kNarrowest, full.span()), full.span());
    // at keeps its place: the same share of the range lies before it.
    const double before = now.span() > 0 ? (at - now.x0) / now.span() : 0.5;
    const double x0 = at - before * span;
    return within({x0, x0 + span}, full);
}

TimeRange panned(const TimeRange& now, const TimeRange& full, double ms) {
    return within({now.x0 + ms, now.x1 + ms}, full);
}

} // namespace model
} // namespace view
