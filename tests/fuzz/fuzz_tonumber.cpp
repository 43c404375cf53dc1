// ToNumber on arbitrary text: never fails, and agrees with an independent conversion on every
// text of the accepted shape short enough for long double to hold exactly.

#include "rig.h"
#include "settings/tonumber.h"

#include <cfenv>
#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text = QString::fromLatin1(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::int32_t value = settings::ToNumber(text);

    static const QRegularExpression shape("^[ \\t]*([+-]?(\\d*)\\.?(\\d*))[ \\t]*\\z");
    const QRegularExpressionMatch m = shape.match(text);
    const qsizetype digits = m.hasMatch() ? m.captured(2).size() + m.captured(3).size() : 0;
    if (!m.hasMatch() || digits == 0) {
        if (value != 0)
            fail("text that does not convert gives 0", text);
    } else if (digits <= 15) {
        std::fesetround(FE_TONEAREST); // halves to even
        const long double exact = std::strtold(qPrintable(m.captured(1)), nullptr);
        const long double rounded = std::nearbyintl(exact);
        const std::int64_t expected =
            rounded < -2147483648.0L || rounded > 2147483647.0L ? 0 : std::int64_t(rounded);
        if (value != expected)
            fail("agrees with the reference", text);
    }

    // Any 32-bit number round-trips through its own digits, blanks or not.
    if (size >= 4) {
        std::int32_t n;
        std::memcpy(&n, data, 4);
        if (settings::ToNumber(" " + QString::number(n) + "\t") != n)
            fail("round trip", QString::number(n));
    }
    return 0;
}
