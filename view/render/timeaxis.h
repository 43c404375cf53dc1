#pragma once
// Ticks of a time axis at calendar-round wall-clock times (whole minutes and hours, midnight,
// Mondays, the first of a month, New Year), the step chosen by the span shown, as plotting
// programs do. Times are the logger's: no zone, no summer time.

#include <QList>
#include <QString>

namespace view {
inline namespace render {

struct TimeTick {
    qint64 ms;     // wall-clock time, ms since 1970-01-01 00:00
    QString label; // "14:00", "03-05", "Mar", "2026"
    QString wider; // the wider unit where it changes (and at the first tick): date or year
};

/// The ticks from fromMs to toMs (wall-clock ms), at most maxTicks of them (at least one step is
/// always taken).
QList<TimeTick> timeTicks(qint64 fromMs, qint64 toMs, int maxTicks);

} // namespace render
} // namespace view
