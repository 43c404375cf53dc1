#include "view/readings.h"

#include "report/record.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QIODevice>

namespace view {

namespace {

constexpr const char* kKindNames[] = {"TX", "BT", "RX", "BV"};

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
qint64 localTime(const std::uint8_t s[6]) {
    const QDate date(2000 + s[0], s[1], s[2]);
    if (!date.isValid() || s[3] > 23 || s[4] > 59 || s[5] > 59)
        return kNoTime;
    thread_local QDate lastDate;
    thread_local int lastHour = -1;
    thread_local qint64 hourStart = 0;
    if (date != lastDate || s[3] != lastHour) {
        hourStart = QDateTime(date, QTime(s[3], 0)).toMSecsSinceEpoch();
        lastDate = date;
        lastHour = s[3];
    }
    return hourStart + (s[4] * 60 + s[5]) * 1000;
}

class Sensors {
public:
    explicit Sensors(Report& report) : report_(report) {
        for (qsizetype i = 0; i < report.sensors.size(); ++i)
            index_.insert(key(report.sensors[i].kind, report.sensors[i].id), std::uint32_t(i));
    }
    std::uint32_t of(Kind kind, QByteArrayView id) {
        const QByteArray k = key(kind, id);
        const auto it = index_.constFind(k);
        if (it != index_.constEnd())
            return *it;
        report_.sensors.append({kind, id.toByteArray()});
        return index_[k] = std::uint32_t(report_.sensors.size() - 1);
    }

private:
    static QByteArray key(Kind kind, QByteArrayView id) {
        return char('0' + kind) + id.toByteArray();
    }
    Report& report_;
    QHash<QByteArray, std::uint32_t> index_;
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

    // "20yy-mm-dd-hh-nn-ss"
    const QByteArrayView st = field[1];
    if (st.size() != 19 || st[0] != '2' || st[1] != '0')
        return false;
    for (int k = 0; k < 6; ++k) {
        const qsizetype at = 2 + 3 * k;
        if (!digit(st[at]) || !digit(st[at + 1]) || (k < 5 && st[at + 2] != '-'))
            return false;
        r.stamp[k] = std::uint8_t((st[at] - '0') * 10 + (st[at + 1] - '0'));
    }

    int kind = 0;
    while (kind < 4 && field[2] != kKindNames[kind])
        ++kind;
    if (kind == 4 || field[3].isEmpty())
        return false;

    const QByteArrayView values = field[4];
    const qsizetype space = values.indexOf(' ');
    r.hasValue2 = space >= 0;
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

void add(Report& report, const Reading& r) {
    report.readings.append(r);
    if (r.time == kNoTime)
        ++report.untimed;
}

} // namespace

QString Sensor::name() const {
    return QString::fromLatin1(kKindNames[kind]) + u' ' + QString::fromLatin1(id);
}

bool LooksRaw(QByteArrayView head) {
    for (const char c : head.first(std::min<qsizetype>(head.size(), 4096))) {
        const auto b = std::uint8_t(c);
        if (b >= 0x80 || (b < 0x20 && b != '\t' && b != '\r' && b != '\n'))
            return true;
    }
    return false;
}

bool ParseLine(QByteArrayView line, Report& report, Reading& reading) {
    Sensors sensors(report);
    return parseLine(line, sensors, reading);
}

Report ReadReport(const QByteArray& all) {
    Report report;
    report.raw = LooksRaw(all);
    Sensors sensors(report);
    if (report.raw) {
        const report::NumberFormat point;
        char line[report::kMaxLineLength + 8];
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(all.constData());
        report.readings.reserve(all.size() / report::kRecordSize);
        for (qsizetype at = 0; at + report::kRecordSize <= all.size(); at += report::kRecordSize) {
            const char* end = report::DecodeRecordAt(bytes + at, point, line);
            Reading r;
            // Shown records only; the line ends in CR LF.
            if (end != line && parseLine(QByteArrayView(line, end - line - 2), sensors, r))
                add(report, r);
        }
        return report;
    }
    report.readings.reserve(all.size() / 48);
    qsizetype from = 0;
    while (from < all.size()) {
        qsizetype nl = all.indexOf('\n', from);
        const qsizetype next = nl < 0 ? all.size() : nl + 1;
        qsizetype end = nl < 0 ? all.size() : nl;
        if (end > from && all[end - 1] == '\r')
            --end;
        Reading r;
        if (parseLine(QByteArrayView(all).sliced(from, end - from), sensors, r))
            add(report, r);
        else if (end > from)
            ++report.skippedLines;
        from = next;
    }
    return report;
}

bool LoadReport(const QString& path, Report& report, QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read %1: %2")
                    .arg(QDir::toNativeSeparators(path), file.errorString());
        return false;
    }
    report = ReadReport(file.readAll());
    if (report.readings.isEmpty()) {
        error = QStringLiteral("%1 holds no readings: expected a decoded report (out-*.txt) or "
                               "a raw report (in.dat)")
                    .arg(QDir::toNativeSeparators(path));
        return false;
    }
    return true;
}

QByteArray StampText(const Reading& r) {
    QByteArray text("20");
    for (int k = 0; k < 6; ++k) {
        if (k > 0)
            text += '-';
        text += char('0' + r.stamp[k] / 10);
        text += char('0' + r.stamp[k] % 10);
    }
    return text;
}

QByteArray TenthsText(std::int32_t tenths) {
    const std::int64_t magnitude = tenths < 0 ? -std::int64_t(tenths) : tenths;
    return (tenths < 0 ? "-" : "") + QByteArray::number(magnitude / 10) + '.' +
           char('0' + magnitude % 10);
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

} // namespace

void WriteCsv(const Report& report, QIODevice& out) {
    QByteArray block = "time,status,kind,id,value,value2\r\n";
    for (const Reading& r : report.readings) {
        const Sensor& s = report.sensors[r.sensor];
        if (r.time != kNoTime) {
            const QByteArray st = StampText(r);
            block += st.first(10) + 'T' + st.sliced(11, 2) + ':' + st.sliced(14, 2) + ':' +
                     st.sliced(17, 2);
        } else {
            block += csvField(StampText(r));
        }
        block += r.lowBat ? ",LOWBAT," : ",OK,";
        block += kKindNames[s.kind];
        block += ',' + csvField(s.id) + ',' + TenthsText(r.value) + ',';
        if (r.hasValue2)
            block += TenthsText(r.value2);
        block += "\r\n";
        if (block.size() > (1 << 16)) {
            out.write(block);
            block.clear();
        }
    }
    out.write(block);
}

} // namespace view
