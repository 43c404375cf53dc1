#include "report/decoders.h"

#include <QLocale>
#include <algorithm>
#include <charconv>
#include <stdexcept>

namespace report {

NumberFormat NumberFormat::system() {
    NumberFormat f;
    f.decimalSeparator = QLocale::system().decimalPoint().toUtf8();
    if (f.decimalSeparator.isEmpty())
        f.decimalSeparator = ".";
    return f;
}

double DecodeFixed88(std::uint8_t high, std::uint8_t low) {
    if (high < 128)
        return high + low / 256.0;
    const int magnitude = (255 - high) * 256 + (255 - low) + 1;
    return -(magnitude / 256.0);
}

double CountToTemperature(int low, int high) {
    const double c = ((high & 0x0F) * 256) + low;
    double q = (c - 1750) * (-3.2e-7);
    q = (c - 1750) * q;
    const double l = c * 0.04 - 39.7;
    return q + l;
}

double CountToHumidity(int low, int high, double temperature) {
    const double c = ((high & 0x0F) * 256) + low;
    double h;
    if (c < 2500)
        h = (c * (-1.5955e-6)) * c + (c * 0.0367 - 2.0468);
    else
        h = (c * (-2.8e-6)) * c + (c * 0.0405 - 4);
    return (c * 0.00008 + 0.01) * (temperature - 25) + h;
}

char* writeFiveDigits(std::int64_t value, char* out) {
    char buf[24];
    const bool negative = value < 0;
    const std::uint64_t magnitude =
        negative ? std::uint64_t(0) - std::uint64_t(value) : std::uint64_t(value);
    const auto r = std::to_chars(buf, buf + sizeof buf, magnitude);
    if (negative)
        *out++ = '-';
    for (auto n = r.ptr - buf; n < 5; ++n)
        *out++ = '0';
    return std::copy(buf, r.ptr, out);
}

char* writeOneDecimal(double value, const NumberFormat& format, char* out) {
    // The shortest text that reads back as the same double, so that a value meant as 11.05
    // rounds the same way whichever side of 11.05 its double lies.
    char buf[400];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    if (r.ec != std::errc())
        return out;
    const char* p = buf;
    const char* const end = r.ptr;
    bool negative = false;
    if (*p == '-') {
        negative = true;
        ++p;
    }
    const char* const wholeBegin = p;
    while (p < end && *p >= '0' && *p <= '9')
        ++p;
    const char* const wholeEnd = p;
    if (wholeBegin == wholeEnd) // not a finite number; cannot come from the decoders
        return std::copy(static_cast<const char*>(buf), end, out);
    int first = 0;
    int second = 0;
    if (p < end && *p == '.') {
        ++p;
        if (p < end)
            first = *p++ - '0';
        if (p < end)
            second = *p - '0';
    }
    // Half away from zero: the magnitude rounds up when the second decimal is 5 or more.
    // The whole digits go out behind one spare place for a carry out of the top digit.
    char* const spare = out + (negative ? 1 : 0);
    char* const digits = spare + 1;
    char* const digitsEnd = std::copy(wholeBegin, wholeEnd, digits);
    *spare = '0';
    if (second >= 5 && ++first == 10) {
        first = 0;
        char* d = digitsEnd - 1;
        while (*d == '9')
            *d-- = '0';
        ++*d;
    }
    const char* top = *spare == '0' ? digits : spare;
    const bool zero = first == 0 && std::all_of(top, static_cast<const char*>(digitsEnd),
                                                [](char c) { return c == '0'; });
    // Close the gap left by the spare place and the sign, if either goes unused.
    char* w = out;
    if (negative && !zero)
        *w++ = '-';
    w = std::copy(top, static_cast<const char*>(digitsEnd), w);
    w = std::copy(format.decimalSeparator.cbegin(), format.decimalSeparator.cend(), w);
    *w++ = char('0' + first);
    return w;
}

void DecodeTxPayload(QByteArrayView payload, QString& identifier, QString& reading, QString& status,
                     const NumberFormat& format) {
    if (payload.size() < 8)
        throw std::invalid_argument("DecodeTxPayload: the payload needs at least 8 bytes");
    const TxFields f = txPayloadFields(reinterpret_cast<const std::uint8_t*>(payload.data()));
    identifier = formatFiveDigits(f.identifier);
    status = f.invalid  ? QStringLiteral("INVALID")
             : f.lowBat ? QStringLiteral("LOWBAT")
                        : QString();
    reading = formatOneDecimal(f.reading, format);
}

QString BytesToHex(QByteArrayView bytes) {
    QByteArray out(bytes.size() * 2, Qt::Uninitialized);
    char* w = out.data();
    for (const char b : bytes)
        w = writeHex(std::uint8_t(b), w);
    return QString::fromLatin1(out);
}

QString BcdToDigits(QByteArrayView bytes) {
    if (bytes.isEmpty())
        throw std::invalid_argument("BcdToDigits: empty byte string");
    char out[2];
    writeBcd(std::uint8_t(bytes[0]), out);
    return QString::fromLatin1(out, 2);
}

QString formatFiveDigits(std::int64_t value) {
    char out[24];
    return QString::fromLatin1(out, writeFiveDigits(value, out) - out);
}

QString formatOneDecimal(double value, const NumberFormat& format) {
    QByteArray out(400 + format.decimalSeparator.size(), Qt::Uninitialized);
    out.truncate(writeOneDecimal(value, format, out.data()) - out.data());
    return QString::fromUtf8(out);
}

} // namespace report
