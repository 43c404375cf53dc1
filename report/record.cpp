#include "report/record.h"

#include <QIODevice>
#include <cstring>

namespace report {

namespace {

enum Kind : std::uint8_t { TX = 1, BT = 2, RX = 3, BV = 4 };

// Record bytes are numbered from 1, as in the record layout.
struct Record {
    const std::uint8_t* data;
    std::uint8_t operator[](int n) const { return data[n - 1]; }
};

void appendStamp(Record r, QByteArray& out) {
    out.append("20");
    for (int n = 3; n <= 8; ++n) {
        AppendBcd(r[n], out);
        if (n < 8)
            out.append('-');
    }
}

bool noReading(std::uint8_t low, std::uint8_t high) { return low == 0x00 && high == 0x80; }

} // namespace

bool DecodeRecord(const std::uint8_t* data, const NumberFormat& format, QByteArray& line) {
    const Record r{data};
    if (r[1] == 0xFF && r[2] == 0xFF)
        return false; // empty slot
    const std::uint8_t kind = r[9];
    if (kind < TX || kind > BV)
        return false;

    const qsizetype start = line.size();
    const char* status = "OK";
    if (kind == TX) {
        const std::uint8_t f = r[16];
        if ((f & 3) == 3)
            return false; // INVALID
        if (f & 4)
            status = "LOWBAT";
    }
    line.append(status);
    line.append('\t');
    appendStamp(r, line);
    line.append('\t');

    switch (kind) {
    case TX: {
        line.append("TX\t");
        // Low byte first, unlike the RX and BV identifiers.
        AppendFiveDigits(r[10] + 256 * r[11], line);
        line.append('\t');
        const auto word = std::int16_t(std::uint16_t((r[17] << 8) | (r[16] & 0xF0)));
        AppendOneDecimal(word / 256.0, format, line);
        break;
    }
    case BT: {
        line.append("BT\t");
        for (int n = 10; n <= 15; ++n) {
            AppendHex(r[n], line);
            if (n < 15)
                line.append(':');
        }
        line.append('\t');
        const double t = CountToTemperature(r[16], r[17]);
        const double h = CountToHumidity(r[18], r[19], t);
        AppendOneDecimal(t, format, line);
        line.append(' ');
        AppendOneDecimal(h, format, line);
        break;
    }
    case RX: {
        const bool first = !noReading(r[16], r[17]);
        const bool second = !noReading(r[18], r[19]);
        if (!first && !second) {
            line.truncate(start);
            return false;
        }
        line.append("RX\t");
        AppendFiveDigits(r[10] * 256 + r[11], line);
        line.append('\t');
        if (first)
            AppendOneDecimal(DecodeFixed88(r[17], r[16]), format, line);
        if (first && second)
            line.append(' ');
        if (second)
            AppendOneDecimal(DecodeFixed88(r[19], r[18]), format, line);
        break;
    }
    case BV:
        line.append("BV\t");
        AppendFiveDigits(r[10] * 256 + r[11], line);
        line.append('\t');
        // Byte 16 at 0x80 or above is read as unsigned rather than refused.
        AppendOneDecimal((r[16] * 256 + r[17]) * 32.5 / 1000, format, line);
        break;
    }
    line.append("\r\n");
    return true;
}

DecodeResult DecodeReport(QIODevice& raw, QIODevice& out, const NumberFormat& format,
                          const std::function<void(std::int32_t)>& progress) {
    constexpr qsizetype kChunkRecords = 4096;
    constexpr qsizetype kFlushAt = 1 << 16;
    DecodeResult result;
    QByteArray in(kChunkRecords * kRecordSize, Qt::Uninitialized);
    QByteArray lines;
    lines.reserve(kFlushAt + 256);
    qsizetype have = 0; // bytes of in not yet decoded, kept at its front

    const auto flush = [&] {
        if (lines.isEmpty())
            return true;
        if (out.write(lines) != lines.size()) {
            result.error = out.errorString();
            return false;
        }
        lines.clear();
        return true;
    };

    for (;;) {
        const qint64 got = raw.read(in.data() + have, in.size() - have);
        if (got < 0) {
            result.error = raw.errorString();
            result.readFailed = true;
            return result;
        }
        have += got;
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(in.constData());
        qsizetype pos = 0;
        for (; have - pos >= kRecordSize; pos += kRecordSize) {
            if (result.records == INT32_MAX) {
                result.error = QStringLiteral("the report has more records than can be counted");
                result.readFailed = true;
                return result;
            }
            ++result.records;
            if (progress)
                progress(result.records);
            if (DecodeRecord(bytes + pos, format, lines))
                ++result.lines;
            if (lines.size() >= kFlushAt && !flush())
                return result;
        }
        // Keep a partial record at the front for the next read; at the end it is left unread.
        std::memmove(in.data(), in.constData() + pos, have - pos);
        have -= pos;
        if (got == 0)
            break;
    }
    flush();
    return result;
}

} // namespace report
