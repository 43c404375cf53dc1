#include "settings/tonumber.h"

#include <limits>

namespace settings {

namespace {
bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}
bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}
} // namespace

std::int32_t ToNumber(const QString& text) {
    qsizetype i = 0;
    qsizetype end = text.size();
    while (i < end && isBlank(text[i]))
        ++i;
    while (end > i && isBlank(text[end - 1]))
        --end;
    bool negative = false;
    if (i < end && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    // Whole part, kept exactly while it can still fit; more than that is out of range anyway.
    constexpr std::int64_t limit = std::int64_t(std::numeric_limits<std::int32_t>::max()) + 2;
    std::int64_t whole = 0;
    int digits = 0;
    while (i < end && isDigit(text[i])) {
        whole = std::min(whole * 10 + (text[i].unicode() - u'0'), limit);
        ++i;
        ++digits;
    }
    // Fraction: only whether it is below, at or above one half matters.
    int half = -1; // -1 below, 0 exactly half, 1 above
    int fractionDigits = 0;
    if (i < end && text[i] == u'.') {
        ++i;
        while (i < end && isDigit(text[i])) {
            const int d = text[i].unicode() - u'0';
            if (fractionDigits == 0)
                half = d < 5 ? -1 : (d == 5 ? 0 : 1);
            else if (half == 0 && d != 0)
                half = 1;
            ++i;
            ++fractionDigits;
        }
    }
    if (i != end || digits + fractionDigits == 0)
        return 0;
    if (half > 0 || (half == 0 && whole % 2 == 1))
        whole = std::min(whole + 1, limit);
    const std::int64_t value = negative ? -whole : whole;
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max())
        return 0;
    return static_cast<std::int32_t>(value);
}

} // namespace settings
