#include "view/model/decimal.h"

#include <cmath>

namespace view {
inline namespace model {

namespace {

Int128 power10(int n) {
    Int128 p = 1;
    while (n-- > 0)
        p *= 10;
    return p;
}

// a / b rounded toward minus infinity; b > 0.
Int128 floorDiv(Int128 a, Int128 b) {
    const Int128 q = a / b;
    return a % b < 0 ? q - 1 : q;
}

// a / b rounded half away from zero; b > 0.
Int128 roundedDiv(Int128 a, Int128 b) {
    const Int128 q = a / b, r = a % b;
    if (2 * r >= b)
        return q + 1;
    if (-2 * r >= b)
        return q - 1;
    return q;
}

// The largest s with s * s <= n; n >= 0 and below 2^100, so the double's root is off by a few
// at most and the loops mend it.
Int128 isqrt(Int128 n) {
    Int128 s = Int128(std::sqrt(double(n)));
    while (s > 0 && s * s > n)
        --s;
    while ((s + 1) * (s + 1) <= n)
        ++s;
    return s;
}

// The decimal digits of a magnitude, most significant first, into out; returns the end. Apart
// for 64 bits: a CSV of a year writes millions of them, and 128-bit division is a call.
char* writeDigits64(std::uint64_t magnitude, char* out) {
    char digits[20];
    int n = 0;
    do {
        digits[n++] = char('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude > 0);
    while (n > 0)
        *out++ = digits[--n];
    return out;
}

char* writeDigits(Int128 magnitude, char* out) {
    if (magnitude <= Int128(UINT64_MAX))
        return writeDigits64(std::uint64_t(magnitude), out);
    char digits[40];
    int n = 0;
    do {
        digits[n++] = char('0' + int(magnitude % 10));
        magnitude /= 10;
    } while (magnitude > 0);
    while (n > 0)
        *out++ = digits[--n];
    return out;
}

} // namespace

DecimalError parseDecimal(QByteArrayView text, Decimal& value) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    const bool negative = i < n && text[i] == '-';
    i += i < n && (text[i] == '-' || text[i] == '+');
    // The significant digits as a string without leading zeros, and the power of ten they are
    // multiplied by.
    QByteArray digits;
    int exponent = 0, count = 0;
    bool point = false;
    for (; i < n && (isAsciiDigit(text[i]) || (text[i] == '.' && !point)); ++i) {
        if (text[i] == '.') {
            point = true;
            continue;
        }
        ++count;
        if (!digits.isEmpty() || text[i] != '0')
            digits += text[i];
        exponent -= point;
    }
    if (count == 0)
        return DecimalError::NotANumber;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        const bool down = i < n && text[i] == '-';
        i += i < n && (text[i] == '-' || text[i] == '+');
        int e = 0, eDigits = 0;
        for (; i < n && isAsciiDigit(text[i]) && eDigits < 3; ++i, ++eDigits)
            e = e * 10 + (text[i] - '0');
        if (eDigits == 0)
            return DecimalError::NotANumber;
        exponent += down ? -e : e;
    }
    if (i != n)
        return DecimalError::NotANumber;
    while (digits.endsWith('0')) {
        digits.chop(1);
        ++exponent;
    }
    if (digits.isEmpty()) {
        value = Decimal{};
        return DecimalError::None;
    }
    const int scale = exponent + kSettingDecimals; // billionths = digits x 10^scale
    if (scale < 0)
        return DecimalError::TooPrecise; // its last digit is not zero
    if (digits.size() + scale > 18)
        return DecimalError::TooLarge;
    std::int64_t b = 0;
    for (const char c : digits)
        b = b * 10 + (c - '0');
    for (int k = 0; k < scale; ++k)
        b *= 10;
    value = Decimal{negative ? -b : b};
    return DecimalError::None;
}

QByteArray decimalText(Decimal value) {
    QByteArray text = fixedText(value.billionths, kSettingDecimals);
    while (text.endsWith('0'))
        text.chop(1);
    if (text.endsWith('.'))
        text.chop(1);
    return text;
}

char* writeThousandths(std::int64_t thousandths, char* out) {
    if (thousandths < 0)
        *out++ = '-';
    const std::uint64_t magnitude =
        thousandths < 0 ? 0 - std::uint64_t(thousandths) : std::uint64_t(thousandths);
    out = writeDigits64(magnitude / 1000, out);
    *out++ = '.';
    const int fraction = int(magnitude % 1000);
    *out++ = char('0' + fraction / 100);
    if (fraction % 100 != 0) {
        *out++ = char('0' + fraction / 10 % 10);
        if (fraction % 10 != 0)
            *out++ = char('0' + fraction % 10);
    }
    return out;
}

QByteArray thousandthsText(std::int64_t thousandths) {
    char text[24];
    return QByteArray(text, writeThousandths(thousandths, text) - text);
}

QByteArray fixedText(Int128 units, int decimals) {
    char text[48];
    char* w = text;
    if (units < 0)
        *w++ = '-';
    const Int128 magnitude = units < 0 ? -units : units;
    const Int128 scale = power10(decimals);
    w = writeDigits(magnitude / scale, w);
    if (decimals > 0) {
        *w++ = '.';
        char fraction[40];
        char* end = writeDigits(magnitude % scale + scale, fraction); // "1" and the digits
        for (char* c = fraction + 1; c < end; ++c)
            *w++ = *c;
    }
    return QByteArray(text, w - text);
}

std::int64_t thousandthsOf(double shown) {
    return std::llround(shown * 1000);
}

Int128 Moments::mean(int decimals) const {
    // mean = sum / n thousandths; in units of 10^-decimals: sum x 10^(decimals - 3) / n.
    return decimals >= 3 ? roundedDiv(sum_ * power10(decimals - 3), n_)
                         : roundedDiv(sum_, n_ * power10(3 - decimals));
}

Int128 Moments::deviation(int decimals) const {
    // With sum = q n + r (0 <= r < n) and m = the sum of (x - q)^2 = a (n - 1) + b, the variance
    // in thousandths^2 is (n m - r^2) / (n (n - 1)) = a + (b n - r^2) / (n (n - 1)), every term
    // small. In units of 10^-4 the deviation is sqrt(Y) with Y = 100 x variance, and rounded half
    // up it is k = floor(sqrt(Y) + 1/2): the largest k with (2k - 1)^2 <= 4Y, so
    // k = (isqrt(floor(4Y)) + 1) / 2. Fewer decimals divide 4Y by 100 each, floor of a floor.
    const Int128 n = n_;
    const Int128 q = floorDiv(sum_, n), r = sum_ - q * n;
    const Int128 m = squares_ - 2 * q * sum_ + n * q * q;
    const Int128 a = m / (n - 1), b = m % (n - 1);
    Int128 f = 400 * a + floorDiv(400 * (b * n - r * r), n * (n - 1));
    for (int d = 4; d > decimals; --d)
        f /= 100;
    return (isqrt(f) + 1) / 2;
}

QByteArray Moments::meanText(int decimals) const {
    return n_ > 0 ? fixedText(mean(decimals), decimals) : QByteArray();
}

QByteArray Moments::deviationText(int decimals) const {
    return n_ > 1 ? fixedText(deviation(decimals), decimals) : QByteArray();
}

} // namespace model
} // namespace view
