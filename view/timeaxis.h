#pragma once
// Ticks of a time axis at calendar-round local times (whole minutes and hours, midnight, the
// first of a month, New Year), the step chosen by the span shown, as plotting programs do.

#include <QList>
#include <QString>

namespace view {

struct TimeTick {
    qint64 ms;     // since the epoch
    QString label; // "14:00", "03-05", "Mar", "2026"
    QString wider; // the wider unit where it changes (and at the first tick): date or year
};

/// The ticks from fromMs to toMs, at most maxTicks of them (at least one step is always taken).
QList<TimeTick> timeTicks(qint64 fromMs, qint64 toMs, int maxTicks);

} // namespace view
