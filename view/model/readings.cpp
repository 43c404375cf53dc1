// Reading reports into readings: decoded lines and raw records alike, and the sensors they name.
#include "view/model/readings.h"

#include "report/record.h"
#include "settings/profile.h"

#include <QBuffer>
#include <QHash>
#include <QIODevice>
#include <cstring>
#include <span>

namespace view {
inline namespace model {

namespace {

bool digit(char c) {
    return c >= '0' && c <= '9';
}

// "-?d+[.,]d": a number under the mask "0.0", in either decimal separator, as tenths; at most
// kMaxTenths, so a value no decoder writes cannot wrap.
bool parseTenths(QByteArrayView text, std::int32_t& tenths) {
    qsizetype i = 0;
    const bool negative = !text.isEmpty() && text[0] == '-';
    i += negative;
    const qsizetype n = text.size();
    if (n - i < 3 || (text[n - 2] != '.' && text[n - 2] != ',') || !digit(text[n - 1]))
        return false;
    std::int64_t v = 0;
    for (; i < n - 2; ++i) {
        if (!digit(text[i]))
            return false;
        v = v * 10 + (text[i] - '0');
        if (v > kMaxTenths)
            return false;
    }
    v = v * 10 + (text[n - 1] - '0');
    if (v > kMaxTenths)
        return false;
    tenths = std::int32_t(negative ? -v : v);
    return true;
}

// The report's sensors by kind and identifier, found without making a key: every reading
// looks its sensor up.
class Sensors {
public:
    explicit Sensors(Report& report) : report_(report) {
        for (qsizetype i = 0; i < report.sensors.size(); ++i)
            place(std::uint32_t(i));
    }
    // By the number a raw record holds (TX, RX and BV: the 16-bit identifier; BT: its six
    // bytes), without writing the identifier's text but for a sensor not met before.
    std::uint32_t ofNumber(Kind kind, std::uint64_t number) {
        if (kind == BT) {
            const auto it = bt_.constFind(number);
            if (it != bt_.cend())
                return *it;
            char text[17];
            for (int k = 0; k < 6; ++k) {
                report::writeHex(std::uint8_t(number >> (8 * (5 - k))), text + 3 * k);
                if (k < 5)
                    text[3 * k + 2] = ':';
            }
            const std::uint32_t sensor = of(kind, QByteArrayView(text, 17));
            bt_.insert(number, sensor);
            return sensor;
        }
        QList<std::uint32_t>& byId = byId_[kind == TX ? 0 : kind == RX ? 1 : 2];
        if (byId.isEmpty())
            byId = QList<std::uint32_t>(65536, kEmpty);
        std::uint32_t& sensor = byId[qsizetype(number & 0xFFFF)];
        if (sensor == kEmpty) {
            char text[24];
            sensor =
                of(kind, QByteArrayView(
                             text, report::writeFiveDigits(qint64(number & 0xFFFF), text) - text));
        }
        return sensor;
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
    QList<std::uint32_t> byId_[3]; // TX, RX, BV: by identifier
    QHash<std::uint64_t, std::uint32_t> bt_;
};

// A decoded line as a reading; with no sensors, only whether it is one.
bool parseLine(QByteArrayView line, Sensors* sensors, Reading& r) {
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
    // A second number only where the kind has one, and always where it always has.
    const Second second = kindInfo(Kind(kind)).second;
    if (r.hasValue2 ? second == Second::Never : second == Second::Always)
        return false;
    if (sensors)
        r.sensor = sensors->of(Kind(kind), field[3]);
    r.time = stampTime(r.stamp);
    return true;
}

// Tenths of a word in units of 1/256, rounded half away from zero: the mask "0.0" of its exact
// value, as the decoder writes it.
std::int32_t tenthsOf256(std::int32_t word) {
    const std::int32_t magnitude = (20 * std::abs(word) + 256) / 512;
    return word < 0 ? -magnitude : magnitude;
}

// Tenths of any decoded value: the decoder's own mask, read back, so that both agree exactly.
std::int32_t tenthsOf(double value) {
    char text[64];
    std::int32_t tenths = 0;
    parseTenths(QByteArrayView(text, report::writeOneDecimal(value, {}, text) - text), tenths);
    return tenths;
}

// The reading of a raw record, its fields as the decoder reads them, worked out straight to what
// its decoded line reads as; false for a record the decoder shows no line for.
bool readRecord(const std::uint8_t* rec, Sensors& sensors, Reading& r) {
    report::RecordFields f;
    if (!report::recordFields(rec, f))
        return false;
    for (int k = 0; k < 6; ++k) { // packed BCD, a nibble above 9 read as 9
        const std::uint8_t b = f.stamp[k];
        r.stamp[k] = std::uint8_t(std::min(b >> 4, 9) * 10 + std::min(b & 0x0F, 9));
    }
    r.lowBat = f.lowBat;
    r.hasValue2 = false;
    r.value2 = 0;
    switch (f.kind) {
    case TX:
        r.value = tenthsOf256(f.first);
        break;
    case BT: {
        const double t = report::CountToTemperature(f.first & 0xFF, f.first >> 8);
        r.value = tenthsOf(t);
        r.value2 = tenthsOf(report::CountToHumidity(f.second & 0xFF, f.second >> 8, t));
        r.hasValue2 = true;
        break;
    }
    case RX: // the second reading alone is the line's only value
        r.value = tenthsOf256(f.hasFirst ? f.first : f.second);
        if (f.hasFirst && f.hasSecond) {
            r.value2 = tenthsOf256(f.second);
            r.hasValue2 = true;
        }
        break;
    case BV: // (byte 16 x 256 + byte 17) x 32.5 / 1000, read unsigned; tenths: x 13 / 40
        r.value = std::int32_t((26 * f.first + 40) / 80);
        break;
    }
    r.sensor = sensors.ofNumber(f.kind, f.identifier);
    r.time = stampTime(r.stamp);
    return true;
}

} // namespace

QString Sensor::name() const {
    return QString::fromLatin1(report::kindName(kind)) + u' ' + QString::fromLatin1(id);
}

namespace {

// What the start of a file holds: records of a known kind or empty slots, whole records, and
// lines that are readings.
struct Head {
    qsizetype records = 0, whole = 0, lines = 0;
};

Head headOf(QByteArrayView head) {
    head = head.first(std::min(head.size(), kHeadBytes));
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(head.data());
    Head h;
    for (qsizetype at = 0; at + report::kRecordSize <= head.size(); at += report::kRecordSize) {
        ++h.whole;
        h.records += (bytes[at] == 0xFF && bytes[at + 1] == 0xFF) ||
                     (bytes[at + 8] >= TX && bytes[at + 8] <= BV);
    }
    for (qsizetype from =
             head.startsWith(settings::kByteOrderMark) ? settings::kByteOrderMark.size() : 0;
         from < head.size();) {
        const qsizetype nl = head.indexOf('\n', from);
        const qsizetype end = nl < 0 ? head.size() : nl;
        Reading r;
        h.lines += parseLine(head.sliced(from, end - from - (end > from && head[end - 1] == '\r')),
                             nullptr, r);
        from = end + 1;
    }
    return h;
}

} // namespace

bool looksRaw(QByteArrayView head) {
    const Head h = headOf(head);
    if (h.records != h.lines)
        return h.records > h.lines;
    head = head.first(std::min(head.size(), kHeadBytes));
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(head.data());
    qsizetype binary = 0;
    for (const std::uint8_t b : std::span(bytes, size_t(head.size())))
        binary += b < 0x20 && b != '\t' && b != '\r' && b != '\n';
    return binary > 0;
}

bool looksLikeReport(QByteArrayView head) {
    const Head h = headOf(head);
    // A logger's records are all of a known kind or empty; a tenth of others is no report.
    return h.lines > 0 || (h.whole > 0 && 10 * h.records >= 9 * h.whole);
}

namespace {

constexpr qsizetype kLongestLine = 4096;

using Each = void (*)(void*, const Reading&, QByteArrayView);

// The whole records of a piece of a raw report; the bytes they take.
qsizetype eachRecord(const char* data, qsizetype have, Sensors& sensors, Each each, void* context) {
    qsizetype used = 0;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(data);
    for (; used + report::kRecordSize <= have; used += report::kRecordSize) {
        Reading r;
        if (readRecord(bytes + used, sensors, r))
            each(context, r, QByteArrayView(data + used, report::kRecordSize));
    }
    return used;
}

// The whole lines of a piece of a decoded report, and at its end the last one too; the bytes
// they take. overlong: the piece starts with the rest of a line cut as too long.
qsizetype eachLine(const char* data, qsizetype have, bool end, Sensors& sensors, bool& overlong,
                   Report& report, Each each, void* context) {
    qsizetype used = 0;
    for (;;) {
        const char* nl =
            static_cast<const char*>(std::memchr(data + used, '\n', size_t(have - used)));
        if (!nl && !end)
            break;
        const qsizetype next = nl ? nl - data + 1 : have;
        qsizetype stop = nl ? nl - data : have;
        if (stop > used && data[stop - 1] == '\r')
            --stop;
        Reading r;
        if (overlong)
            ++report.skippedLines; // the rest of a line already too long
        else if (parseLine(QByteArrayView(data + used, stop - used), &sensors, r))
            each(context, r, {});
        else if (stop > used)
            ++report.skippedLines;
        overlong = false;
        used = next;
        if (used >= have)
            break;
    }
    if (!end && have - used > kLongestLine) { // no reading: cut, and skip to its end
        overlong = true;
        used = have;
    }
    return used;
}

} // namespace

namespace detail {

bool eachReading(QIODevice& in, Report& report, void (*each)(void*, const Reading&, QByteArrayView),
                 void* context, QString& why) {
    // Pieces of whole records; a decoded line longer than any reading is cut and counted.
    constexpr qsizetype kPiece = 55188 * report::kRecordSize; // about 1 MiB
    Sensors sensors(report);
    QByteArray buffer(kPiece + kLongestLine, Qt::Uninitialized);
    qsizetype have = 0; // bytes at the buffer's start not yet read as records or lines
    bool first = true, raw = false, overlong = false;
    const auto fill = [&] {
        const qint64 got = in.read(buffer.data() + have, kPiece);
        if (got < 0) {
            why = in.errorString();
            return false;
        }
        have += got;
        return true;
    };
    for (;;) {
        const qsizetype before = have;
        if (!fill())
            return false;
        const bool end = have == before;
        const char* const data = buffer.constData();
        if (first) {
            first = false;
            raw = looksRaw(QByteArrayView(data, have));
            report.raw = raw;
            if (!raw && QByteArrayView(data, have).startsWith(settings::kByteOrderMark)) {
                have -= settings::kByteOrderMark.size();
                std::memmove(buffer.data(), data + settings::kByteOrderMark.size(), size_t(have));
            }
        }
        qsizetype used = 0;
        if (raw) {
            used = eachRecord(data, have, sensors, each, context);
            if (end)
                report.partialBytes += have; // nothing came: less than a record is left
        } else {
            used = eachLine(data, have, end, sensors, overlong, report, each, context);
        }
        if (end)
            return true;
        have -= used;
        std::memmove(buffer.data(), data + used, size_t(have));
    }
}

} // namespace detail

Report readReport(const QByteArray& all) {
    Report report;
    report.readings.reserve(looksRaw(all) ? all.size() / report::kRecordSize : all.size() / 48);
    QBuffer in;
    in.setData(all);
    in.open(QIODevice::ReadOnly);
    QString why;
    eachReading(
        in, report,
        [&](const Reading& r, QByteArrayView) {
            report.readings.append(r);
            ++report.read;
            report.untimed += r.time == kNoTime;
        },
        why);
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

} // namespace model
} // namespace view
