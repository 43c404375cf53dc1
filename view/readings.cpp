// Reading reports into readings: decoded lines and raw records alike, the sensors they name, and
// the CSV they are written back as. One idea: the readings' one text form, in and out.
#include "view/readings.h"

#include "report/record.h"

#include <QDateTime>
#include <QIODevice>
#include <cstring>

namespace view {

namespace {

bool digit(char c) {
    return c >= '0' && c <= '9';
}

// "-?d+[.,]d": a number under the mask "0.0", in either decimal separator, as tenths.
bool parseTenths(QByteArrayView text, std::int32_t& tenths) {
    qsizetype i = 0;
    const bool negative = !text.isEmpty() && text[0] == '-';
    i += negative;
    const qsizetype n = text.size();
    if (n - i < 3 || (text[n - 2] != '.' && text[n - 2] != ',') || !digit(text[n - 1]))
        return false;
    std::int64_t v = 0;
    for (; i < n - 2; ++i) {
        if (!digit(text[i]) || v > 100000000)
            return false;
        v = v * 10 + (text[i] - '0');
    }
    v = v * 10 + (text[n - 1] - '0');
    tenths = std::int32_t(negative ? -v : v);
    return true;
}

// Local time of a stamp. Converting local time is slow, and a report's stamps come mostly in
// order: the start of the last hour is kept and reused.
std::uint32_t localTime(const std::uint8_t s[6]) {
    const QDate date(2000 + s[0], s[1], s[2]);
    if (!date.isValid() || s[3] > 23 || s[4] > 59 || s[5] > 59)
        return kNoTime;
    thread_local QDate lastDate;
    thread_local int lastHour = -1;
    thread_local qint64 hourStart = 0;
    if (date != lastDate || s[3] != lastHour) {
        hourStart = QDateTime(date, QTime(s[3], 0)).toSecsSinceEpoch();
        lastDate = date;
        lastHour = s[3];
    }
    return std::uint32_t(hourStart + s[4] * 60 + s[5]);
}

// The report's sensors by kind and identifier, found without making a key: every reading
// looks its sensor up.
class Sensors {
public:
    explicit Sensors(Report& report) : report_(report) {
        for (qsizetype i = 0; i < report.sensors.size(); ++i)
            place(std::uint32_t(i));
    }
    std::uint32_t of(Kind kind, QByteArrayView id) {
        std::uint32_t i = hash(kind, id) & mask();
        for (; slots_[i] != kEmpty; i = (i + 1) & mask()) {
            const Sensor& s = report_.sensors[slots_[i]];
            if (s.kind == kind && s.id == id)
                return slots_[i];
        }
        report_.sensors.append({kind, id.toByteArray()});
        const auto n = std::uint32_t(report_.sensors.size() - 1);
        place(n);
        return n;
    }

private:
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFF;
    static std::uint32_t hash(Kind kind, QByteArrayView id) {
        std::uint32_t h = 2166136261u ^ kind; // FNV-1a
        for (const char c : id)
            h = (h ^ std::uint8_t(c)) * 16777619u;
        return h;
    }
    std::uint32_t mask() const { return std::uint32_t(slots_.size() - 1); }
    void place(std::uint32_t n) {
        if (2 * (n + 1) > std::uint32_t(slots_.size())) { // at most half full
            slots_ = QList<std::uint32_t>(slots_.size() * 4, kEmpty);
            for (std::uint32_t k = 0; k < n; ++k)
                place(k);
        }
        const Sensor& s = report_.sensors[n];
        std::uint32_t i = hash(s.kind, s.id) & mask();
        while (slots_[i] != kEmpty)
            i = (i + 1) & mask();
        slots_[i] = n;
    }
    Report& report_;
    QList<std::uint32_t> slots_ = QList<std::uint32_t>(64, kEmpty);
};

bool parseLine(QByteArrayView line, Sensors& sensors, Reading& r) {
    QByteArrayView field[5];
    int n = 0;
    qsizetype from = 0;
    for (qsizetype i = 0; i <= line.size(); ++i) {
        if (i == line.size() || line[i] == '\t') {
            if (n == 5)
                return false;
            field[n++] = line.sliced(from, i - from);
            from = i + 1;
        }
    }
    if (n != 5)
        return false;
    if (field[0] == "LOWBAT")
        r.lowBat = true;
    else if (field[0] == "OK")
        r.lowBat = false;
    else
        return false;

    // "20yy-MM-dd-hh-mm-ss"
    const QByteArrayView st = field[1];
    if (st.size() != 19 || st[0] != '2' || st[1] != '0')
        return false;
    for (int k = 0; k < 6; ++k) {
        const qsizetype at = 2 + 3 * k;
        if (!digit(st[at]) || !digit(st[at + 1]) || (k < 5 && st[at + 2] != '-'))
            return false;
        r.stamp[k] = std::uint8_t((st[at] - '0') * 10 + (st[at + 1] - '0'));
    }

    int kind = TX;
    while (kind <= BV && field[2] != report::kindName(kind))
        ++kind;
    if (kind > BV || field[3].isEmpty())
        return false;

    const QByteArrayView values = field[4];
    const qsizetype space = values.indexOf(' ');
    r.hasValue2 = space >= 0;
    r.value2 = 0;
    if (!parseTenths(r.hasValue2 ? values.first(space) : values, r.value) ||
        (r.hasValue2 && !parseTenths(values.sliced(space + 1), r.value2)))
        return false;
    // A second number belongs to BT (humidity) and RX only.
    if (r.hasValue2 && kind != BT && kind != RX)
        return false;
    r.sensor = sensors.of(Kind(kind), field[3]);
    r.time = localTime(r.stamp);
    return true;
}

} // namespace

Measure measureOf(Kind kind, bool second) {
    switch (kind) {
    case TX:
        return TemperatureMeasure;
    case BT:
        return second ? HumidityMeasure : TemperatureMeasure;
    case RX:
        return RxMeasure;
    case BV:
        return BatteryMeasure;
    }
    return TemperatureMeasure;
}

QString Sensor::name() const {
    return QString::fromLatin1(report::kindName(kind)) + u' ' + QString::fromLatin1(id);
}

bool looksRaw(QByteArrayView head) {
    for (const char c : head.first(std::min<qsizetype>(head.size(), 4096))) {
        const auto b = std::uint8_t(c);
        if (b >= 0x80 || (b < 0x20 && b != '\t' && b != '\r' && b != '\n'))
            return true;
    }
    return false;
}

namespace detail {

void eachReading(const QByteArray& all, Report& report,
                 void (*each)(void*, const Reading&, QByteArrayView), void* context) {
    report.raw = looksRaw(all);
    Sensors sensors(report);
    if (report.raw) {
        const report::NumberFormat point;
        char line[report::kMaxLineLength + 8];
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(all.constData());
        qsizetype at = 0;
        for (; at + report::kRecordSize <= all.size(); at += report::kRecordSize) {
            const char* end = report::decodeRecordAt(bytes + at, point, line);
            Reading r;
            // Shown records only; the line ends in CR LF.
            if (end != line && parseLine(QByteArrayView(line, end - line - 2), sensors, r))
                each(context, r, QByteArrayView(all).sliced(at, report::kRecordSize));
        }
        report.partialBytes += all.size() - at;
        return;
    }
    qsizetype from = 0;
    while (from < all.size()) {
        qsizetype nl = all.indexOf('\n', from);
        const qsizetype next = nl < 0 ? all.size() : nl + 1;
        qsizetype end = nl < 0 ? all.size() : nl;
        if (end > from && all[end - 1] == '\r')
            --end;
        Reading r;
        if (parseLine(QByteArrayView(all).sliced(from, end - from), sensors, r))
            each(context, r, {});
        else if (end > from)
            ++report.skippedLines;
        from = next;
    }
}

} // namespace detail

Report readReport(const QByteArray& all) {
    Report report;
    report.readings.reserve(looksRaw(all) ? all.size() / report::kRecordSize : all.size() / 48);
    eachReading(all, report, [&](const Reading& r, QByteArrayView) {
        report.readings.append(r);
        ++report.read;
        report.untimed += r.time == kNoTime;
    });
    return report;
}

QByteArray stampText(const Reading& r) {
    QByteArray text("20");
    for (int k = 0; k < 6; ++k) {
        if (k > 0)
            text += '-';
        text += char('0' + r.stamp[k] / 10);
        text += char('0' + r.stamp[k] % 10);
    }
    return text;
}

namespace {

// RFC 4180: a field with a comma, quote or line break is quoted, its quotes doubled.
QByteArray csvField(const QByteArray& field) {
    if (!field.contains(',') && !field.contains('"') && !field.contains('\n') &&
        !field.contains('\r'))
        return field;
    QByteArray quoted = field;
    quoted.replace('"', "\"\"");
    return '"' + quoted + '"';
}

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

char* writeTwo(std::uint8_t v, char* w) {
    *w++ = char('0' + v / 10);
    *w++ = char('0' + v % 10);
    return w;
}

// A calibrated value: three decimals at most, trailing zeros dropped down to one decimal.
QByteArray calibratedText(double value) {
    QByteArray text = QByteArray::number(value, 'f', 3);
    while (text.endsWith('0') && text[text.size() - 2] != '.')
        text.chop(1);
    return text == "-0.0" ? QByteArray("0.0") : text;
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
            constexpr char kBefore[] = "--T::"; // ISO 8601: 2024-03-05T14:07:09
            *w++ = '2';
            *w++ = '0';
            for (int k = 0; k < 6; ++k) {
                if (k > 0)
                    *w++ = kBefore[k - 1];
                w = writeTwo(r.stamp[k], w);
            }
        } else {
            put(csvField(stampText(r)));
        }
        put(r.lowBat ? QByteArrayView(",LOWBAT,") : QByteArrayView(",OK,"));
        put(ids[r.sensor]);
        const Shown& how = shownOf(r.sensor);
        const auto value = [&](std::int32_t tenths, int v) {
            if (how.calibrated(v))
                put(calibratedText(how.gain[v] * tenths / 10.0 + how.offset[v]));
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
