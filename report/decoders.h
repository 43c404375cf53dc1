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
    static NumberFormat System();
};

/// Identifier (low byte first, mask "00000"), reading (mask "0.0") and status ("", "LOWBAT"
/// or "INVALID", INVALID winning) of a TX payload, record bytes 10 to 19. Throws
/// std::invalid_argument for a payload shorter than 8 bytes.
void DecodeTxPayload(QByteArrayView payload, QString& identifier, QString& reading,
                     QString& status, const NumberFormat& format = {});

/// The signed 16-bit word high * 256 + low in units of 1/256.
double DecodeFixed88(std::uint8_t high, std::uint8_t low);

/// Degrees Celsius from the 12-bit temperature count (upper four bits of high dropped).
double CountToTemperature(int low, int high);

/// Percent relative humidity from the 12-bit humidity count, corrected for temperature.
double CountToHumidity(int low, int high, double temperature);

/// Two upper-case hexadecimal digits per byte, no separator.
QString BytesToHex(QByteArrayView bytes);

/// The two packed-BCD digits of the first byte; a nibble above 9 is written 9. Throws
/// std::invalid_argument for an empty byte string.
QString BcdToDigits(QByteArrayView bytes);

/// The mask "00000": decimal digits, zero-padded on the left to five.
QString FormatFiveDigits(std::int64_t value);

/// The mask "0.0": one decimal place, rounded half away from zero on the shortest decimal
/// text of the value; a negative value that rounds to zero is written without a minus sign.
QString FormatOneDecimal(double value, const NumberFormat& format = {});

// The same masks appending bytes to out, for the decoding loop.
void AppendFiveDigits(std::int64_t value, QByteArray& out);
void AppendOneDecimal(double value, const NumberFormat& format, QByteArray& out);
void AppendHex(std::uint8_t byte, QByteArray& out);
void AppendBcd(std::uint8_t byte, QByteArray& out);

} // namespace report
