#include "view/readingscsv.h"

#include <QIODevice>
#include <cstring>

namespace view {

QByteArray csvField(const QByteArray& field) {
    if (!field.contains(',') && !field.contains('"') && !field.contains('\n') &&
        !field.contains('\r'))
        return field;
    QByteArray quoted = field;
    quoted.replace('"', "\"\"");
    return '"' + quoted + '"';
}

QByteArray calibratedText(double value) {
    QByteArray text = QByteArray::number(value, 'f', 3);
    while (text.endsWith('0') && text[text.size() - 2] != '.')
        text.chop(1);
    return text == "-0.0" ? QByteArray("0.0") : text;
}

namespace {

char* writeTenths(std::int32_t tenths, char* w) {
    std::uint32_t magnitude = tenths < 0 ? 0u - std::uint32_t(tenths) : std::uint32_t(tenths);
    if (tenths < 0)
        *w++ = '-';
    char digits[12];
    int n = 0;
    const std::uint32_t whole = magnitude / 10;
    std::uint32_t v = whole;
    do {
        digits[n++] = char('0' + v % 10);
        v /= 10;
    } while (v);
    while (n)
        *w++ = digits[--n];
    *w++ = '.';
    *w++ = char('0' + magnitude % 10);
    return w;
}

} // namespace

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
        ids.append(QByteArray(report::kindName(s.kind)) + ',' + csvField(s.id) + ',');
        names.append(',' + csvField(shownOf(i).name.toUtf8()) + "\r\n");
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
        const auto value = [&](std::int32_t tenths, int v) {
            if (how.calibrated(v))
                put(calibratedText(shownValue(how.gain[v], how.offset[v], tenths)));
            else
                w = writeTenths(tenths, w);
        };
        value(r.value, 0);
        *w++ = ',';
        if (r.hasValue2)
            value(r.value2, 1);
        put(names[r.sensor]);
        if (w - begin >= kFlushAt) {
            out.write(begin, w - begin);
            w = begin;
        }
    }
    out.write(begin, w - begin);
}

} // namespace view
