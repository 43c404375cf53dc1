#pragma once
// Decoders of single record fields: bytes in, numbers and display texts out. They keep no
// state and know nothing of files, windows or ports.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <cstdint>

namespace report {

/// How numbers are written: the decimal separator of the user's regional settings.
struct NumberFormat {
    QByteArray decimalSeparator = ".";
    /// The separator of QLocale::system().
    static NumberFormat system();
};

/// The fields of a TX payload (record bytes 10 to 19; the first 8 are read) as numbers: the
/// identifier, low byte first; the reading, a signed word in 1/256 whose low four bits hold the
/// status; LOWBAT (bit 2) and INVALID (bits 0 and 1 both). The record decoder writes these, and
/// DecodeTxPayload gives them as text.
struct TxFields {
    std::int64_t identifier;
    double reading;
    bool lowBat;
    bool invalid;
};
inline TxFields txPayloadFields(const std::uint8_t* payload) {
    const std::uint8_t flags = payload[6];
    const auto word = std::int16_t(std::uint16_t((payload[7] << 8) | (flags & 0xF0)));
    return {payload[0] + 256 * payload[1], word / 256.0, (flags & 4) != 0, (flags & 3) == 3};
}

/// `DecodeTxPayload`: identifier (mask "00000"), reading (mask "0.0") and status ("", "LOWBAT" or
/// "INVALID", INVALID winning) of a TX payload, record bytes 10 to 19. Throws std::invalid_argument
/// for a payload shorter than 8 bytes.
void DecodeTxPayload(QByteArrayView payload, QString& identifier, QString& reading, QString& status,
                     const NumberFormat& format = {});

/// `DecodeFixed88`: the signed 16-bit word high * 256 + low in units of 1/256.
double DecodeFixed88(std::uint8_t high, std::uint8_t low);

/// `CountToTemperature`: degrees Celsius from the 12-bit temperature count (upper four bits of high
/// dropped).
double CountToTemperature(int low, int high);

/// `CountToHumidity`: percent relative humidity from the 12-bit humidity count, corrected for
/// temperature.
double CountToHumidity(int low, int high, double temperature);

/// `BytesToHex`: two upper-case hexadecimal digits per byte, no separator.
QString BytesToHex(QByteArrayView bytes);

/// `BcdToDigits`: the two packed-BCD digits of the first byte; a nibble above 9 is written 9.
/// Throws std::invalid_argument for an empty byte string.
QString BcdToDigits(QByteArrayView bytes);

/// The mask "00000": decimal digits, zero-padded on the left to five.
QString formatFiveDigits(std::int64_t value);

/// The mask "0.0": one decimal place, rounded half away from zero on the shortest decimal
/// text of the value; a negative value that rounds to zero is written without a minus sign.
QString formatOneDecimal(double value, const NumberFormat& format = {});

// The same masks written at out, returning the end, for the decoding loop. writeFiveDigits
// needs 21 bytes of room; writeOneDecimal needs 24 plus the separator for values within
// +-1e15 (every decoded value is) and up to 330 for any other finite value.
char* writeFiveDigits(std::int64_t value, char* out);
char* writeOneDecimal(double value, const NumberFormat& format, char* out);
inline char* writeHex(std::uint8_t byte, char* out) {
    constexpr char digits[] = "0123456789ABCDEF";
    *out++ = digits[byte >> 4];
    *out++ = digits[byte & 0x0F];
    return out;
}
inline char* writeBcd(std::uint8_t byte, char* out) {
    const int high = byte >> 4;
    const int low = byte & 0x0F;
    *out++ = char('0' + (high > 9 ? 9 : high));
    *out++ = char('0' + (low > 9 ? 9 : low));
    return out;
}

} // namespace report
