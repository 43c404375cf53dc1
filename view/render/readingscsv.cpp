#include "view/render/readingscsv.h"

#include <QIODevice>
#include <cstring>

namespace view {
inline namespace render {

QByteArray csvField(const QByteArray& field) {
    if (!field.contains(',') && !field.contains('"') && !field.contains('\n') &&
        !field.contains('\r'))
        return field;
    QByteArray quoted = field;
    quoted.replace('"', "\"\"");
    return '"' + quoted + '"';
}

QByteArray csvText(const QByteArray& text) {
    const bool formula = !text.isEmpty() && QByteArrayView("=+-@\t\r").contains(text[0]);
    return csvField(formula ? '\'' + text : text);
}

void writeCsv(const Report& report, QIODevice& out, const QList<Shown>& shown) {
    // Written by hand into one block: a year of history is millions of rows.
    QList<QByteArray> ids, names;
    ids.reserve(report.sensors.size());
    names.reserve(report.sensors.size());
    const Shown plain;
    const auto shownOf = [&](qsizetype sensor) -> const Shown& {
        return sensor < shown.size() ? shown[sensor] : plain;
    };
    for (qsizetype i = 0; i < report.sensors.size(); ++i) {
        const Sensor& s = report.sensors[i];
        ids.append(QByteArray(report::kindName(s.kind)) + ',' + csvText(s.id) + ',');
        names.append(',' + csvText(shownOf(i).name.toUtf8()) + "\r\n");
    }
    constexpr qsizetype kFlushAt = 1 << 16;
    QByteArray block(kFlushAt + 4096, Qt::Uninitialized);
    char* const begin = block.data();
    char* w = begin;
    const auto put = [&](QByteArrayView text) {
        if (text.size() > 2048) { // an identifier no decoder writes; keep the buffer bounded
            out.write(begin, w - begin);
            out.write(text.data(), text.size());
            w = begin;
            return;
        }
        std::memcpy(w, text.data(), size_t(text.size()));
        w += text.size();
    };
    put("time,status,kind,id,value,value2,name\r\n");
    for (const Reading& r : report.readings) {
        if (r.time != kNoTime) {
            w = writeTime(r.time, TimeFormat::Iso, w);
        } else { // as it was read
            put(csvField(stampText(r)));
        }
        put(r.lowBat ? QByteArrayView(",LOWBAT,") : QByteArrayView(",OK,"));
        put(ids[r.sensor]);
        const Shown& how = shownOf(r.sensor);
        w = writeThousandths(how.calibration[0].shown(r.value), w);
        *w++ = ',';
        if (r.hasValue2)
            w = writeThousandths(how.calibration[1].shown(r.value2), w);
        put(names[r.sensor]);
        if (w - begin >= kFlushAt) {
            out.write(begin, w - begin);
            w = begin;
        }
    }
    out.write(begin, w - begin);
}

} // namespace render
} // namespace view
