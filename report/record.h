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
