#include "report/record.h"

#include "files/savefile.h"

#include <QIODevice>
#include <cstring>

namespace report {

namespace {

// The stamp's six packed-BCD bytes as "20yy-MM-dd-hh-mm-ss".
char* writeStamp(const std::uint8_t* stamp, char* out) {
    *out++ = '2';
    *out++ = '0';
    for (int k = 0; k < 6; ++k) {
        out = writeBcd(stamp[k], out);
        if (k < 5)
            *out++ = '-';
    }
    return out;
}

char* write(const char* text, char* out) {
    while (*text)
        *out++ = *text++;
    return out;
}

} // namespace

char* decodeRecordAt(const std::uint8_t* data, const NumberFormat& format, char* const out) {
    RecordFields f;
    if (!recordFields(data, f))
        return out;
    char* w = write(f.lowBat ? "LOWBAT\t" : "OK\t", out);
    w = writeStamp(f.stamp, w);
    switch (f.kind) {
    case TX:
        w = write("\tTX\t", w);
        w = writeFiveDigits(std::int64_t(f.identifier), w);
        *w++ = '\t';
        w = writeOneDecimal(f.first / 256.0, format, w);
        break;
    case BT: {
        w = write("\tBT\t", w);
        for (int shift = 40; shift >= 0; shift -= 8) {
            w = writeHex(std::uint8_t(f.identifier >> shift), w);
            if (shift > 0)
                *w++ = ':';
        }
        *w++ = '\t';
        const double t = CountToTemperature(f.first & 0xFF, f.first >> 8);
        const double h = CountToHumidity(f.second & 0xFF, f.second >> 8, t);
        w = writeOneDecimal(t, format, w);
        *w++ = ' ';
        w = writeOneDecimal(h, format, w);
        break;
    }
    case RX:
        w = write("\tRX\t", w);
        w = writeFiveDigits(std::int64_t(f.identifier), w);
        *w++ = '\t';
        if (f.hasFirst)
            w = writeOneDecimal(f.first / 256.0, format, w);
        if (f.hasSecond) {
            if (f.hasFirst)
                *w++ = ' ';
            w = writeOneDecimal(f.second / 256.0, format, w);
        }
        break;
    case BV:
        w = write("\tBV\t", w);
        w = writeFiveDigits(std::int64_t(f.identifier), w);
        *w++ = '\t';
        // Byte 16 at 0x80 or above is read as unsigned rather than refused.
        w = writeOneDecimal(f.first * 32.5 / 1000, format, w);
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
