#include "view/render/statisticscsv.h"

#include "view/render/readingscsv.h"

#include <QIODevice>

namespace view {
inline namespace render {

namespace {

// The quantity column: what the series measures, "rx2" for a second RX reading.
const char* quantityKey(const Statistics& s) {
    return s.measure == RxMeasure && s.second ? "rx2" : measureKey(s.measure);
}

QByteArray limitText(const std::optional<Decimal>& limit) {
    return limit ? decimalText(*limit) : QByteArray();
}

} // namespace

void writeStatisticsCsv(const QList<Statistics>& statistics, QIODevice& out) {
    out.write("kind,id,name,quantity,readings,first,last,interval_s,gaps,min,min_at,max,max_at,"
              "mean,stddev,low,high,excursions,outside_s,longest_s,longest_from,mkt\r\n");
    const auto time = [](std::uint32_t t) { return timeText(t, TimeFormat::Iso).toLatin1(); };
    for (const Statistics& s : statistics) {
        const bool limited = s.limited();
        const QList<QByteArray> fields{
            report::kindName(s.kind),
            csvText(s.id),
            csvText(s.label.toUtf8()),
            quantityKey(s),
            QByteArray::number(s.readings),
            time(s.first),
            time(s.last),
            s.interval > 0 ? QByteArray::number(s.interval) : QByteArray(),
            QByteArray::number(s.gaps),
            s.minimum ? thousandthsText(*s.minimum) : QByteArray(),
            time(s.minimumAt),
            s.maximum ? thousandthsText(*s.maximum) : QByteArray(),
            time(s.maximumAt),
            s.moments.meanText(4),
            s.moments.deviationText(4),
            limitText(s.low),
            limitText(s.high),
            limited ? QByteArray::number(s.excursions) : QByteArray(),
            limited ? QByteArray::number(s.outside) : QByteArray(),
            s.excursions > 0 ? QByteArray::number(s.longestExcursion) : QByteArray(),
            time(s.longestExcursionStart),
            fixedNumber(s.meanKinetic, 4).toLatin1()};
        QByteArray row;
        for (const QByteArray& field : fields)
            row += field + ',';
        row.chop(1);
        out.write(row + "\r\n");
    }
}

} // namespace render
} // namespace view
