#pragma once
// The time range the charts show, and how zooming and panning move it: never wider than the
// data's span, never out of it, never narrower than a second.

namespace view {
inline namespace model {

struct TimeRange {
    double x0 = 0, x1 = 1; // ms of the logger's clock
    double span() const { return x1 - x0; }
    bool operator==(const TimeRange&) const = default;
};

/// The narrowest range a zoom goes to, in ms.
inline constexpr double kNarrowest = 1000;

/// now zoomed by factor (below 1: in) about the time at, which stays where it is on the axis
/// as far as full allows.
TimeRange zoomed(const TimeRange& now, const TimeRange& full, double at, double factor);
/// now moved by ms (negative: back), kept inside full.
TimeRange panned(const TimeRange& now, const TimeRange& full, double ms);
/// range kept within full, of its span where that fits, else full.
TimeRange within(const TimeRange& range, const TimeRange& full);

} // namespace model
} // namespace view
