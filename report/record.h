#pragma once
// The 19-byte report record and the decoding of a whole raw report, one record at a time.

#include "report/decoders.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>

class QIODevice;

namespace report {

inline constexpr int kRecordSize = 19;

/// The kinds of record, by the value of record byte 9.
enum Kind : std::uint8_t { TX = 1, BT = 2, RX = 3, BV = 4 };
/// The name reports give a kind ("TX", "BT", "RX", "BV"), or nullptr for a byte of no kind.
inline const char* kindName(int kind) {
    constexpr const char* names[] = {"TX", "BT", "RX", "BV"};
    return kind >= TX && kind <= BV ? names[kind - TX] : nullptr;
}

/// A record read by its layout (record byte n is data[n - 1]), before any value is worked out:
/// what the decoded line and the viewer's readings both take their values from.
struct RecordFields {
    Kind kind = TX;                      // byte 9
    const std::uint8_t* stamp = nullptr; // bytes 3 to 8: yy MM dd hh mm ss, packed BCD
    // TX: bytes 10 and 11, low byte first; BT: bytes 10 to 15; RX, BV: bytes 10 and 11, high first.
    std::uint64_t identifier = 0;
    bool lowBat = false; // TX: flag 4 of byte 16
    // The values, from bytes 16 to 19. TX: a signed 8.8 word of byte 17 and byte 16's upper four
    // bits; BT: the temperature's and the humidity's counts (bytes 16, 17 and 18, 19), low byte
    // in the lower eight bits; RX: two signed 8.8 words, low byte first, each present unless it
    // holds "no reading" (00 80); BV: an unsigned word, high byte first.
    std::int32_t first = 0, second = 0;
    bool hasFirst = true, hasSecond = false;
};

/// The fields of a record that a decoded report shows a line for; false for an empty slot
/// (bytes 1 and 2 FF), a byte 9 of no kind, an invalid TX record and an RX record without
/// readings.
inline bool recordFields(const std::uint8_t* data, RecordFields& f) {
    const auto noReading = [](std::uint8_t low, std::uint8_t high) {
        return low == 0x00 && high == 0x80;
    };
    const auto word = [](std::uint8_t high, std::uint8_t low) {
        return std::int32_t(std::int16_t(std::uint16_t(high << 8 | low)));
    };
    const std::uint8_t kind = data[8];
    if ((data[0] == 0xFF && data[1] == 0xFF) || kind < TX || kind > BV)
        return false;
    f.kind = Kind(kind);
    f.stamp = data + 2;
    f.lowBat = false;
    f.hasFirst = true;
    f.hasSecond = false;
    switch (f.kind) {
    case TX:
        if ((data[15] & 3) == 3)
            return false; // INVALID
        f.identifier = data[9] | data[10] << 8;
        f.lowBat = data[15] & 4;
        f.first = word(data[16], data[15] & 0xF0);
        break;
    case BT:
        f.identifier = 0;
        for (int k = 9; k < 15; ++k)
            f.identifier = f.identifier << 8 | data[k];
        f.first = data[16] << 8 | data[15];
        f.second = data[18] << 8 | data[17];
        f.hasSecond = true;
        break;
    case RX:
        f.hasFirst = !noReading(data[15], data[16]);
        f.hasSecond = !noReading(data[17], data[18]);
        if (!f.hasFirst && !f.hasSecond)
            return false;
        f.identifier = data[9] << 8 | data[10];
        f.first = word(data[16], data[15]);
        f.second = word(data[18], data[17]);
        break;
    case BV:
        f.identifier = data[9] << 8 | data[10];
        f.first = data[15] << 8 | data[16];
        break;
    }
    return true;
}

/// Decodes one record. When it is shown, appends its line (five tab-separated fields and
/// CR LF) to line and returns true; empty slots, unknown kinds, invalid TX records and RX
/// records without readings append nothing and return false.
bool decodeRecord(const std::uint8_t* record, const NumberFormat& format, QByteArray& line);

/// The longest line decodeRecordAt writes, beyond twice the decimal separator's length.
inline constexpr int kMaxLineLength = 128;

/// decodeRecord writing at out: returns the end of the line written, or out when the record is
/// not shown. out needs kMaxLineLength + 2 * separator bytes of room.
char* decodeRecordAt(const std::uint8_t* record, const NumberFormat& format, char* out);

/// What decodeReport did: records read, lines written, records of no known kind, and an error
/// text if it failed.
struct DecodeResult {
    std::int32_t records = 0;
    std::int64_t lines = 0;
    std::int32_t unknown = 0; // records in use (not empty slots) of no known kind
    QString error;            // empty on success
    bool readFailed = false;  // the error came from raw, not from out
};

/// Reads whole records from raw until fewer than 19 bytes remain, writing one line per shown
/// record to out as it goes; before each record, progress is told the record's number.
/// Never holds more than a small buffer of either side in memory.
DecodeResult decodeReport(QIODevice& raw, QIODevice& out, const NumberFormat& format,
                          const std::function<void(std::int32_t)>& progress = {});

} // namespace report
