#include "view/render/timeaxis.h"

#include "view/model/wallclock.h"

#include <QDateTime>
#include <iterator>

namespace view {
inline namespace render {

namespace {

enum Unit { Seconds, Days, Months, Years };
struct Step {
    Unit unit;
    int count;
    qint64 seconds; // about, to choose by
};
constexpr qint64 kDay = 86400;
constexpr Step kSteps[] = {
    {Seconds, 1, 1},          {Seconds, 2, 2},          {Seconds, 5, 5},
    {Seconds, 10, 10},        {Seconds, 15, 15},        {Seconds, 30, 30},
    {Seconds, 60, 60},        {Seconds, 120, 120},      {Seconds, 300, 300},
    {Seconds, 600, 600},      {Seconds, 900, 900},      {Seconds, 1800, 1800},
    {Seconds, 3600, 3600},    {Seconds, 7200, 7200},    {Seconds, 10800, 10800},
    {Seconds, 21600, 21600},  {Seconds, 43200, 43200},  {Days, 1, kDay},
    {Days, 2, 2 * kDay},      {Days, 7, 7 * kDay},      {Months, 1, 30 * kDay},
    {Months, 2, 61 * kDay},   {Months, 3, 91 * kDay},   {Months, 6, 182 * kDay},
    {Years, 1, 365 * kDay},   {Years, 2, 730 * kDay},   {Years, 5, 1826 * kDay},
    {Years, 10, 3652 * kDay}, {Years, 20, 7305 * kDay}, {Years, 50, 18262 * kDay}};

// The first round time of the step at or after t.
QDateTime firstAt(const QDateTime& t, const Step& step) {
    const QDate d = t.date();
    switch (step.unit) {
    case Seconds: {
        const int second = t.time().msecsSinceStartOfDay() / 1000;
        const int round = (second + step.count - 1) / step.count * step.count;
        const QDateTime at = round >= kDay ? QDateTime(d.addDays(1), QTime(0, 0), Qt::UTC)
                                           : QDateTime(d, QTime(0, 0).addSecs(round), Qt::UTC);
        return at < t ? at.addSecs(step.count) : at;
    }
    case Days: {
        QDate day = QDateTime(d, QTime(0, 0), Qt::UTC) < t ? d.addDays(1) : d;
        if (step.count == 7)
            day = day.addDays((8 - day.dayOfWeek()) % 7); // Mondays
        else
            day = day.addDays(day.toJulianDay() % step.count);
        return QDateTime(day, QTime(0, 0), Qt::UTC);
    }
    case Months: {
        QDate month(d.year(), d.month(), 1);
        if (QDateTime(month, QTime(0, 0), Qt::UTC) < t)
            month = month.addMonths(1);
        while ((month.month() - 1) % step.count)
            month = month.addMonths(1);
        return QDateTime(month, QTime(0, 0), Qt::UTC);
    }
    case Years: {
        int year =
            QDateTime(QDate(d.year(), 1, 1), QTime(0, 0), Qt::UTC) < t ? d.year() + 1 : d.year();
        year += (step.count - year % step.count) % step.count;
        return QDateTime(QDate(year, 1, 1), QTime(0, 0), Qt::UTC);
    }
    }
    return t;
}

QDateTime next(const QDateTime& at, const Step& step) {
    switch (step.unit) {
    case Seconds: {
        const int second = at.time().msecsSinceStartOfDay() / 1000 + step.count;
        return second >= kDay ? QDateTime(at.date().addDays(1), QTime(0, 0), Qt::UTC)
                              : QDateTime(at.date(), QTime(0, 0).addSecs(second), Qt::UTC);
    }
    case Days:
        return QDateTime(at.date().addDays(step.count), QTime(0, 0), Qt::UTC);
    case Months:
        return QDateTime(at.date().addMonths(step.count), QTime(0, 0), Qt::UTC);
    case Years:
        return QDateTime(at.date().addYears(step.count), QTime(0, 0), Qt::UTC);
    }
    return at;
}

} // namespace

QList<TimeTick> timeTicks(qint64 fromMs, qint64 toMs, int maxTicks) {
    QList<TimeTick> ticks;
    if (toMs < fromMs)
        return ticks;
    const qint64 span = (toMs - fromMs) / 1000;
    const Step* step = std::begin(kSteps);
    while (step + 1 != std::end(kSteps) && span / step->seconds >= std::max(maxTicks, 1))
        ++step;
    QString lastAbove;
    const QDateTime end = QDateTime::fromMSecsSinceEpoch(toMs, Qt::UTC);
    for (QDateTime at = firstAt(QDateTime::fromMSecsSinceEpoch(fromMs, Qt::UTC), *step);
         at <= end && ticks.size() < std::max(maxTicks, 1); at = next(at, *step)) {
        TimeTick tick{at.toMSecsSinceEpoch(), {}, {}};
        QString above;
        const auto text = [&](TimeFormat format) {
            return timeText(std::uint32_t(at.toSecsSinceEpoch()), format);
        };
        switch (step->unit) {
        case Seconds:
            tick.label = text(step->count < 60 ? TimeFormat::Seconds : TimeFormat::Minutes);
            above = text(TimeFormat::Date);
            break;
        case Days:
            tick.label = text(TimeFormat::MonthDay);
            above = text(TimeFormat::Year);
            break;
        case Months:
            tick.label = text(TimeFormat::Month);
            above = text(TimeFormat::Year);
            break;
        case Years:
            tick.label = text(TimeFormat::Year);
            break;
        }
        if (above != lastAbove)
            tick.wider = above;
        lastAbove = above;
        ticks.append(tick);
    }
    return ticks;
}

} // namespace render
} // namespace view
