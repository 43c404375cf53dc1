#include "report/record.h"

#include "files/savefile.h"

#include <QIODevice>
#include <cstring>

namespace report {

namespace {

// Record bytes are numbered from 1, as in the record layout.
struct Record {
    const std::uint8_t* data;
    std::uint8_t operator[](int n) const { return data[n - 1]; }
};

char* writeStamp(Record r, char* out) {
    *out++ = '2';
    *out++ = '0';
    for (int n = 3; n <= 8; ++n) {
        out = writeBcd(r[n], out);
        if (n < 8)
            *out++ = '-';
    }
    return out;
}

char* write(const char* text, char* out) {
    while (*text)
        *out++ = *text++;
    return out;
}

bool noReading(std::uint8_t low, std::uint8_t high) {
    return low == 0x00 && high == 0x80;
}

} // namespace

char* decodeRecordAt(const std::uint8_t* data, const NumberFormat& format, char* const out) {
    const Record r{data};
    if (r[1] == 0xFF && r[2] == 0xFF)
        return out; // empty slot: the marker's hexadecimal text is "FFFF"
    const std::uint8_t kind = r[9];
    if (kind < TX || kind > BV)
        return out;
    if (kind == RX && noReading(r[16], r[17]) && noReading(r[18], r[19]))
        return out;
    const TxFields tx = txPayloadFields(data + 9); // read only for a TX record
    if (kind == TX && tx.invalid)
        return out;

    char* w = write(kind == TX && tx.lowBat ? "LOWBAT\t" : "OK\t", out);
    w = writeStamp(r, w);
    switch (kind) {
    case TX: {
        w = write("\tTX\t", w);
        w = writeFiveDigits(tx.identifier, w);
        *w++ = '\t';
        w = writeOneDecimal(tx.reading, format, w);
        break;
    }
    case BT: {
        w = write("\tBT\t", w);
        for (int n = 10; n <= 15; ++n) {
            w = writeHex(r[n], w);
            if (n < 15)
                *w++ = ':';
        }
        *w++ = '\t';
        const double t = CountToTemperature(r[16], r[17]);
        const double h = CountToHumidity(r[18], r[19], t);
        w = writeOneDecimal(t, format, w);
        *w++ = ' ';
        w = writeOneDecimal(h, format, w);
        break;
    }
    case RX: {
        w = write("\tRX\t", w);
        w = writeFiveDigits(r[10] * 256 + r[11], w);
        *w++ = '\t';
        const bool first = !noReading(r[16], r[17]);
        if (first)
            w = writeOneDecimal(DecodeFixed88(r[17], r[16]), format, w);
        if (!noReading(r[18], r[19])) {
            if (first)
                *w++ = ' ';
            w = writeOneDecimal(DecodeFixed88(r[19], r[18]), format, w);
        }
        break;
    }
    case BV:
        w = write("\tBV\t", w);
        w = writeFiveDigits(r[10] * 256 + r[11], w);
        *w++ = '\t';
        // Byte 16 at 0x80 or above is read as unsigned rather than refused.
        w = writeOneDecimal((r[16] * 256 + r[17]) * 32.5 / 1000, format, w);
        break;
    }
    *w++ = '\r';
    *w++ = '\n';
    return w;
}

bool decodeRecord(const std::uint8_t* data, const NumberFormat& format, QByteArray& line) {
    const qsizetype start = line.size();
    line.resize(start + kMaxLineLength + 2 * format.decimalSeparator.size());
    char* const at = line.data() + start;
    const char* end = decodeRecordAt(data, format, at);
    line.truncate(start + (end - at));
    return end != at;
}

DecodeResult decodeReport(QIODevice& raw, QIODevice& out, const NumberFormat& format,
                          const std::function<void(std::int32_t)>& progress) {
    constexpr qsizetype kChunkRecords = 4096;
    constexpr qsizetype kFlushAt = 1 << 16;
    const qsizetype lineRoom = kMaxLineLength + 2 * format.decimalSeparator.size();
    DecodeResult result;
    QByteArray in(kChunkRecords * kRecordSize, Qt::Uninitialized);
    QByteArray lines(kFlushAt + lineRoom, Qt::Uninitialized);
    char* const linesBegin = lines.data();
    char* w = linesBegin;
    qsizetype have = 0; // bytes of in not yet decoded, kept at its front

    const auto flush = [&] {
        const qsizetype n = w - linesBegin;
        if (n > 0 && out.write(linesBegin, n) != n) {
            result.error = files::errorText(out);
            return false;
        }
        w = linesBegin;
        return true;
    };

    for (;;) {
        const qint64 got = raw.read(in.data() + have, in.size() - have);
        if (got < 0) {
            result.error = files::errorText(raw);
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
            const std::uint8_t* const record = bytes + pos;
            result.unknown +=
                !(record[0] == 0xFF && record[1] == 0xFF) && kindName(record[8]) == nullptr;
            char* const lineEnd = decodeRecordAt(record, format, w);
            if (lineEnd != w)
                ++result.lines;
            w = lineEnd;
            if (w - linesBegin >= kFlushAt && !flush())
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
