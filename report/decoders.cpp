#include "report/decoders.h"

#include <QLocale>
#include <charconv>
#include <stdexcept>

namespace report {

NumberFormat NumberFormat::System() {
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

void AppendHex(std::uint8_t byte, QByteArray& out) {
    static constexpr char digits[] = "0123456789ABCDEF";
    out.append(digits[byte >> 4]);
    out.append(digits[byte & 0x0F]);
}

void AppendBcd(std::uint8_t byte, QByteArray& out) {
    const int high = byte >> 4;
    const int low = byte & 0x0F;
    out.append(char('0' + (high > 9 ? 9 : high)));
    out.append(char('0' + (low > 9 ? 9 : low)));
}

void AppendFiveDigits(std::int64_t value, QByteArray& out) {
    char buf[24];
    const bool negative = value < 0;
    const std::uint64_t magnitude =
        negative ? std::uint64_t(0) - std::uint64_t(value) : std::uint64_t(value);
    const auto r = std::to_chars(buf, buf + sizeof buf, magnitude);
    if (negative)
        out.append('-');
    for (auto n = r.ptr - buf; n < 5; ++n)
        out.append('0');
    out.append(buf, r.ptr - buf);
}

void AppendOneDecimal(double value, const NumberFormat& format, QByteArray& out) {
    // The shortest text that reads back as the same double, so that a value meant as 11.05
    // rounds the same way whichever side of 11.05 its double lies.
    char buf[1200];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    const char* p = buf;
    const char* end = r.ptr;
    bool negative = false;
    if (p < end && *p == '-') {
        negative = true;
        ++p;
    }
    const char* wholeBegin = p;
    while (p < end && *p >= '0' && *p <= '9')
        ++p;
    const char* wholeEnd = p;
    if (wholeBegin == wholeEnd) { // not a finite number; cannot come from the decoders
        out.append(buf, end - buf);
        return;
    }
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
    char whole[400];
    qsizetype n = wholeEnd - wholeBegin;
    if (n > qsizetype(sizeof whole) - 2) {
        out.append(buf, end - buf);
        return;
    }
    std::copy(wholeBegin, wholeEnd, whole + 1);
    whole[0] = '0';
    if (second >= 5 && ++first == 10) {
        first = 0;
        qsizetype i = n;
        while (whole[i] == '9')
            whole[i--] = '0';
        ++whole[i];
    }
    const char* digits = whole[0] == '0' ? whole + 1 : whole;
    const qsizetype length = whole[0] == '0' ? n : n + 1;
    const bool zero = first == 0 && std::all_of(digits, digits + length, [](char c) {
                          return c == '0';
                      });
    if (negative && !zero)
        out.append('-');
    out.append(digits, length);
    out.append(format.decimalSeparator);
    out.append(char('0' + first));
}

void DecodeTxPayload(QByteArrayView payload, QString& identifier, QString& reading,
                     QString& status, const NumberFormat& format) {
    if (payload.size() < 8)
        throw std::invalid_argument("DecodeTxPayload: the payload needs at least 8 bytes");
    const auto byte = [&](int n) { return std::uint8_t(payload[n - 1]); };
    status.clear();
    identifier = FormatFiveDigits(byte(1) + 256 * byte(2));
    const std::uint8_t f = byte(7);
    if ((f & 3) == 3)
        status = QStringLiteral("INVALID");
    else if (f & 4)
        status = QStringLiteral("LOWBAT");
    const auto word = std::int16_t(std::uint16_t((byte(8) << 8) | (f & 0xF0)));
    reading = FormatOneDecimal(word / 256.0, format);
}

QString BytesToHex(QByteArrayView bytes) {
    QByteArray out;
    out.reserve(bytes.size() * 2);
    for (const char b : bytes)
        AppendHex(std::uint8_t(b), out);
    return QString::fromLatin1(out);
}

QString BcdToDigits(QByteArrayView bytes) {
    if (bytes.isEmpty())
        throw std::invalid_argument("BcdToDigits: empty byte string");
    QByteArray out;
    AppendBcd(std::uint8_t(bytes[0]), out);
    return QString::fromLatin1(out);
}

QString FormatFiveDigits(std::int64_t value) {
    QByteArray out;
    AppendFiveDigits(value, out);
    return QString::fromLatin1(out);
}

QString FormatOneDecimal(double value, const NumberFormat& format) {
    QByteArray out;
    AppendOneDecimal(value, format, out);
    return QString::fromUtf8(out);
}

} // namespace report
