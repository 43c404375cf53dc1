// What must hold for arbitrary input, in sets of properties; one fuzz executable checks the set
// that the environment's FUZZ_PROPERTIES names (one build for all of them).

#include "support/fakeline.h"

#include "link/capture.h"
#include "settings/profile.h"
#include "settings/tonumber.h"
#include "view/model/history.h"
#include "view/model/sensoredits.h"
#include "view/model/sensorsettings.h"

#include <cfenv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace {

// Hands out what it holds in reads of a few bytes at a time.
class ChoppyDevice : public QIODevice {
public:
    explicit ChoppyDevice(QByteArray data) : data_(std::move(data)) { open(ReadOnly); }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* out, qint64 max) override {
        const qint64 n = std::min<qint64>({max, data_.size() - pos_, 1 + (pos_ * 7) % 23});
        std::memcpy(out, data_.constData() + pos_, n);
        pos_ += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray data_;
    qint64 pos_ = 0;
};

QByteArray decodeAll(QIODevice& in, const report::NumberFormat& format,
                     report::DecodeResult& result) {
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    result = report::decodeReport(in, out, format);
    if (!result.error.isEmpty())
        fail("decoding reported an error");
    return out.data();
}

// The file's lines without their line ends.
QList<QByteArray> lines(const QByteArray& contents) {
    QList<QByteArray> out = contents.split('\n');
    if (out.last().isEmpty())
        out.removeLast();
    for (QByteArray& line : out)
        if (line.endsWith('\r'))
            line.chop(1);
    return out;
}

} // namespace

namespace properties {

// A raw report: every record is counted, every line is well formed (five fields, four tabs),
// reads cut anywhere give the same lines, and a decimal comma changes the values only.
void decode(const QByteArray& raw) {
    QBuffer in;
    in.setData(raw);
    in.open(QIODevice::ReadOnly);
    report::DecodeResult result;
    const QByteArray text = decodeAll(in, {"."}, result);
    if (result.records != raw.size() / 19 || result.lines > result.records)
        fail("every whole record is counted, at most one line each");

    static const QRegularExpression lineShape("^(OK|LOWBAT)\\t20\\d\\d(-\\d\\d){5}\\t(TX|BT|RX|BV)"
                                              "\\t(\\d{5}|[0-9A-F]{2}(:[0-9A-F]{2}){5})"
                                              "\\t-?\\d+\\.\\d( -?\\d+\\.\\d)?\\z");
    const QList<QByteArray> lines = text.split('\n');
    if (lines.size() != result.lines + 1 || !lines.last().isEmpty())
        fail("lines end in LF");
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        if (!lines[i].endsWith('\r') || lines[i].count('\t') != 4)
            fail("CR LF line ends and exactly four tabs");
        if (!lineShape.match(QString::fromLatin1(lines[i].chopped(1))).hasMatch())
            fail("the line's fields have their shape");
    }

    ChoppyDevice choppy(raw);
    report::DecodeResult again;
    if (decodeAll(choppy, {"."}, again) != text)
        fail("reads cut anywhere give the same lines");
    in.seek(0);
    if (decodeAll(in, {","}, again).replace(',', '.') != text)
        fail("the separator only changes the separator");
}

// The capture fed arbitrary bytes in arbitrary reads (the first bytes give their sizes): what it
// keeps is the bytes between the first start marker and an end marker after it, the first one
// when text ending in the prompt follows that; it says the prompt followed only where it did;
// without both markers, or with a start marker later than 120 s, it times out, keeps nothing
// and hands back every byte that came after a start marker.
void capture(const QByteArray& input) {
    const qsizetype sizes = 1 + (input.isEmpty() ? 0 : quint8(input[0]) % 8);
    if (input.size() < 1 + sizes)
        return;
    const QByteArray stream = input.mid(1 + sizes);
    Rig rig;
    rig.line.open = true;
    rig.line.stepMs = 1000; // one read a second: never 30 s of silence while data flows
    const qsizetype p = stream.indexOf("!@#$");
    qint64 startSeenMs = 0; // when the start marker's last byte arrives: chunk i at i + 1 s
    for (qsizetype i = 0, pos = 0; pos < stream.size(); ++i) {
        const qsizetype n = 1 + quint8(input[1 + i % sizes]) % 64;
        rig.line.arrive(1000, stream.mid(pos, n));
        if (p >= 0 && pos <= p + 3 && p + 3 < pos + n)
            startSeenMs = (i + 1) * 1000;
        pos += n;
    }
    QByteArray captured = "before";
    devicelink::ReportEnd end;
    using devicelink::CaptureResult;
    const CaptureResult result = devicelink::Capture(rig.ctx, captured, &end);
    const bool kept = result == CaptureResult::Captured;

    if (startSeenMs > 122000) { // the start marker came too late: a time-out, nothing kept
        if (result != CaptureResult::NoStart || captured != "before" ||
            rig.log.lines.last() != "Timeout!")
            fail("no capture of a start marker after 120 s");
        return;
    }
    if (startSeenMs > 120000)
        return; // the pass that meets the limit may or may not see it
    const qsizetype q = p < 0 ? -1 : stream.indexOf("%^&*", p + 4);
    if (p < 0 || q < 0) {
        if (result != (p < 0 ? CaptureResult::NoStart : CaptureResult::Silence) ||
            captured != "before")
            fail("no capture without both markers");
        if (p >= 0 && end.received != stream.mid(p + 4))
            fail("what came after the start marker is handed back");
        if (rig.log.lines.last() != "Timeout!")
            fail("a time-out is told");
        return;
    }
    static const QRegularExpression prompt("^%\\^&\\*[\t\r\n\\x20-\\x7e]{0,256}cmd>");
    const QByteArray after = stream.mid(p + 4 + captured.size());
    if (kept && (!stream.mid(p + 4).startsWith(captured) || !after.startsWith("%^&*")))
        fail("what is kept ends at an end marker");
    if (kept && end.promptFollowed && !prompt.match(QString::fromLatin1(after)).hasMatch())
        fail("the prompt is said to follow only where it does");
    if (prompt.match(QString::fromLatin1(stream.mid(q))).hasMatch() &&
        (!kept || captured != stream.mid(p + 4, q - p - 4)))
        fail("a report that ends with the prompt ends at its first end marker");
    if (kept && rig.log.lines.last() != QString("Download complete %1 bytes").arg(captured.size()))
        fail("the completion line counts them");
}

// ToNumber never fails, and agrees with an independent conversion on every text of the
// accepted shape short enough for long double to hold exactly.
void tonumber(const QByteArray& input) {
    const QString text = QString::fromLatin1(input);
    const std::int32_t value = settings::ToNumber(text);

    static const QRegularExpression shape("^[ \\t]*([+-]?(\\d*)\\.?(\\d*))[ \\t]*\\z");
    const QRegularExpressionMatch m = shape.match(text);
    const qsizetype digits = m.hasMatch() ? m.captured(2).size() + m.captured(3).size() : 0;
    if (!m.hasMatch() || digits == 0) {
        if (value != 0)
            fail("text that does not convert gives 0", text);
    } else if (digits <= 15) {
        std::fesetround(FE_TONEAREST); // halves to even
        const long double exact = std::strtold(qPrintable(m.captured(1)), nullptr);
        const long double rounded = std::nearbyintl(exact);
        const std::int64_t expected =
            rounded < -2147483648.0L || rounded > 2147483647.0L ? 0 : std::int64_t(rounded);
        if (value != expected)
            fail("agrees with the reference", text);
    }
}

// The settings file (after two bytes that make the value): the reader reads back what the
// writer wrote, writing twice changes nothing more, and other sections stay as they were.
void profile(const QByteArray& input) {
    if (input.size() < 2)
        return;
    const QString value = QString::number(quint8(input[0]) * 256 + quint8(input[1]));
    const QByteArray contents = input.mid(2);

    const QString otherBefore = settings::profileValue(contents, "Other", "Key", "none");
    const QByteArray written = settings::withProfileValue(contents, "ZuroRuve", "Port", value);
    if (settings::profileValue(written, "ZuroRuve", "Port", "") != value)
        fail("the reader reads back what the writer wrote");
    if (settings::profileValue(written, "zuroruve", "PORT", "") != value)
        fail("names match without regard to case");
    if (settings::withProfileValue(written, "ZuroRuve", "Port", value) != written)
        fail("writing the same value again changes nothing");
    if (settings::profileValue(written, "Other", "Key", "none") != otherBefore)
        fail("other sections keep their values");
    // Every line but the one replaced stays, and at most a section line and the entry are new.
    QList<QByteArray> left = lines(written);
    qsizetype missing = 0;
    for (const QByteArray& line : lines(contents)) {
        const qsizetype at = left.indexOf(line);
        if (at >= 0)
            left.removeAt(at);
        else
            ++missing;
    }
    if (missing > 1 || left.size() > 2)
        fail("other lines are kept as they were");

    // Edits of the sensor settings it holds: what they set reads back, every other setting
    // stays, and so does the port; no edit changes nothing.
    const view::SensorSettings sensors = view::parseSensorSettings(written);
    if (view::withSensorEdits(written, {}) != written)
        fail("no edit changes nothing");
    view::SensorEdits edits{{view::kLimitsSection, {{"TemperatureLow", "-2.5"}}}};
    for (auto it = sensors.sensors.cbegin(); it != sensors.sensors.cend(); ++it)
        edits[it.key()] = {{"Gain", "2"}, {"Offset", ""}};
    const view::SensorSettings reread =
        view::parseSensorSettings(view::withSensorEdits(written, edits));
    // A pair with a limit the edit makes impossible is read as missing; nothing else changes.
    const view::Decimal minus25{-25 * view::kBillion / 10}, two{2 * view::kBillion};
    if (reread.limits.field[view::TemperatureLow] != minus25 &&
        !(sensors.limits.field[view::TemperatureHigh] < minus25))
        fail("an edit of the limits reads back");
    for (auto it = sensors.sensors.cbegin(); it != sensors.sensors.cend(); ++it) {
        const view::SectionSettings* again = reread.of(it.key());
        if (!again || again->field[view::Gain] != two || again->field[view::Offset] ||
            again->field[view::Gain2] != it->field[view::Gain2])
            fail("sensor edits read back, other settings as they were");
    }
    if (settings::profileValue(view::withSensorEdits(written, edits), "ZuroRuve", "Port", "") !=
        value)
        fail("writing sensor settings keeps the port");
    QByteArray removed = written; // every line of the key, as a later one would be read
    for (QByteArray less;
         (less = settings::withoutProfileValue(removed, "ZuroRuve", "Port")) != removed;)
        removed = less;
    if (settings::profileValue(removed, "ZuroRuve", "Port", "none") != "none")
        fail("a removed key reads as missing");
}

// A report's readings by content, sensors by kind and identifier rather than number.
QList<QByteArray> contentsOf(const view::Report& report) {
    QList<QByteArray> out;
    for (const view::Reading& r : report.readings) {
        view::Reading copy = r;
        copy.sensor = 0;
        out.append(QByteArray(reinterpret_cast<const char*>(&copy), sizeof copy) +
                   report.sensors[r.sensor].id + char('0' + report.sensors[r.sensor].kind));
    }
    return out;
}

// zelm-view's reader never fails, tells raw from decoded by content, and counts every line as
// a reading or as skipped; a raw record reads as its decoded line does, odd bytes and values
// out of range among the lines change nothing else.
void view(const QByteArray& bytes) {
    // A shown value is the exact gain x decoded + offset within half a thousandth, a half away
    // from zero; a decimal's text and a shown value's read back as what they are.
    if (bytes.size() >= 20) {
        std::int64_t g = 0, o = 0;
        std::int32_t t = 0;
        std::memcpy(&g, bytes.constData(), 8);
        std::memcpy(&o, bytes.constData() + 8, 8);
        std::memcpy(&t, bytes.constData() + 16, 4);
        g = g % (1000 * view::kBillion); // the bounds of the settings
        g = g < 0 ? std::min(g, -view::kBillion / 1000) : std::max(g, view::kBillion / 1000);
        o %= 100000 * view::kBillion;
        t %= 1000000;
        const std::int64_t shown = view::Calibration{{g}, {o}}.shown(t);
        const view::Int128 exact = view::Int128(g) * t + view::Int128(o) * 10; // 10^-10
        const view::Int128 off = view::Int128(shown) * 10000000 - exact;
        if (off > 5000000 || off < -5000000 || (off == 5000000 && exact < 0) ||
            (off == -5000000 && exact > 0))
            fail("a shown value is the exact one, rounded half away from zero");
        view::Decimal back;
        if (view::parseDecimal(view::decimalText({o}), back) != view::DecimalError::None ||
            back.billionths != o ||
            view::parseDecimal(view::thousandthsText(shown), back) != view::DecimalError::None ||
            back.billionths != shown * 1000000)
            fail("a decimal's text reads back as its value");
    }
    const view::Report report = view::readReport(bytes);
    if (report.raw != view::looksRaw(bytes))
        fail("raw or decoded, not by content");
    if (!report.raw && report.readings.size() + report.skippedLines > bytes.count('\n') + 1)
        fail("more readings and skipped lines than lines");
    qint64 untimed = 0;
    for (const view::Reading& r : report.readings) {
        untimed += r.time == view::kNoTime;
        // A time written back is its stamp: "20yy-MM-dd-hh-mm-ss" as "20yy-MM-ddThh:mm:ss".
        QByteArray stamp = view::stampText(r);
        if (r.time != view::kNoTime &&
            view::timeText(r.time, view::TimeFormat::Iso).toLatin1() !=
                stamp.replace(10, 1, "T").replace(13, 1, ":").replace(16, 1, ":"))
            fail("a time reads back as another stamp");
    }
    if (untimed != report.untimed)
        fail("untimed readings miscounted");

    // The bytes as records of a known kind, read raw and as the decoder's text with a
    // byte-order mark, a heading, a NUL and a value out of range around it.
    QByteArray raw = bytes.first(bytes.size() / 19 * 19);
    for (qsizetype at = 8; at < raw.size(); at += 19)
        raw[at] = char(1 + std::uint8_t(raw[at]) % 4);
    if (!raw.isEmpty() && !view::looksLikeReport(raw))
        fail("records of known kinds are a report, whatever the file's name");
    QBuffer in;
    in.setData(raw);
    in.open(QIODevice::ReadOnly);
    report::DecodeResult result;
    const QByteArray text = decodeAll(in, {"."}, result);
    const view::Report direct = view::readReport(raw);
    const view::Report lines =
        view::readReport("\xEF\xBB\xBFTemperature \xC2\xB0" + QByteArray("C\0\r\n", 4) + text +
                         "OK\t2024-03-05-14-07-09\tTX\t00001\t999999999.9\r\n");
    if ((!text.isEmpty() && (lines.raw || lines.skippedLines != 2)) ||
        (!raw.isEmpty() && !direct.raw))
        fail("raw or decoded, not by structure");
    if (contentsOf(direct) != contentsOf(lines))
        fail("a raw record reads otherwise than its decoded line");

    // Split into up to four reports and merged, raw ones first as a history reads them, in
    // either order: the same readings, each once, in time order.
    const qsizetype n = bytes.isEmpty() ? 1 : 1 + std::uint8_t(bytes[0]) % 4;
    QList<QByteArray> parts;
    for (qsizetype i = 0; i < n; ++i)
        parts.append(
            bytes.mid(bytes.size() * i / n, bytes.size() * (i + 1) / n - bytes.size() * i / n));
    const auto merged = [&](QList<QByteArray> order) {
        std::stable_partition(order.begin(), order.end(),
                              [](const QByteArray& p) { return view::looksRaw(p); });
        view::Report history;
        view::Merger merger(history);
        for (const QByteArray& part : order)
            merger.add(part);
        merger.finish();
        if (history.read != history.readings.size() + history.repeated)
            fail("records read are not unique plus repeated");
        for (qsizetype i = 1; i < history.readings.size(); ++i)
            if (history.readings[i - 1].time > history.readings[i].time)
                fail("a history out of time order");
        QList<QByteArray> set = contentsOf(history);
        std::sort(set.begin(), set.end());
        return set;
    };
    QList<QByteArray> reversed(parts.rbegin(), parts.rend());
    if (merged(parts) != merged(reversed))
        fail("a merge that depends on the order of its reports");
    // Raw records and their decoded lines, in pieces, in either order: each once.
    const qsizetype half = raw.size() / 38 * 19;
    const QList<QByteArray> mixed{text, raw.sliced(half), raw.first(half), text};
    if (merged(mixed) != merged({raw}))
        fail("decoded lines of raw records merged add readings");
}

} // namespace properties

namespace {
void (*chosen)(const QByteArray&) = nullptr;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static const std::pair<const char*, void (*)(const QByteArray&)> sets[] = {
        {"decode", properties::decode},
        {"capture", properties::capture},
        {"tonumber", properties::tonumber},
        {"profile", properties::profile},
        {"view", properties::view}};
    const char* name = std::getenv("FUZZ_PROPERTIES");
    for (const auto& [setName, check] : sets)
        if (name && std::strcmp(name, setName) == 0)
            chosen = check;
    if (!chosen) {
        std::fprintf(stderr,
                     "FUZZ_PROPERTIES must be decode, capture, tonumber, profile or view\n");
        std::exit(2);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    chosen(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    return 0;
}
