#include "view/model/wallclock.h"

#include <QDateTime>
#include <cstring>

namespace view {
inline namespace model {

namespace {

// The days from 1970-01-01 to a date of the proleptic Gregorian calendar.
std::int64_t daysSinceEpoch(int year, int month, int day) {
    // Years begin in March, so that the leap day ends one (H. Hinnant's days_from_civil).
    year -= month <= 2;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

bool leapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

struct Date {
    int year, month, day;
};

// The date of a day since 1970-01-01 (civil_from_days), the inverse of daysSinceEpoch.
Date dateOf(std::int64_t days) {
    const std::int64_t z = days + 719468;
    const std::int64_t era = z / 146097; // z >= 0 for every time a uint32 holds
    const std::int64_t dayOfEra = z - era * 146097;
    const std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t mp = (5 * dayOfYear + 2) / 153;
    const int month = int(mp < 10 ? mp + 3 : mp - 9);
    return {int(yearOfEra + era * 400 + (month <= 2)), month,
            int(dayOfYear - (153 * mp + 2) / 5 + 1)};
}

char* two(int v, char* w) {
    *w++ = char('0' + v / 10 % 10);
    *w++ = char('0' + v % 10);
    return w;
}

char* year(int v, char* w) {
    return two(v % 100, two(v / 100, w));
}

} // namespace

std::uint32_t stampTime(const std::uint8_t s[6]) {
    constexpr std::uint8_t kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const int y = 2000 + s[0];
    if (s[1] < 1 || s[1] > 12 || s[2] < 1 || s[2] > kDays[s[1] - 1] + (s[1] == 2 && leapYear(y)) ||
        s[3] > 23 || s[4] > 59 || s[5] > 59)
        return kNoTime;
    // A report's stamps come mostly in order: the day of the last one is kept.
    thread_local int lastDay = -1;
    thread_local std::int64_t lastDays = 0;
    const int day = s[0] << 9 | s[1] << 5 | s[2];
    if (day != lastDay) {
        lastDays = daysSinceEpoch(y, s[1], s[2]);
        lastDay = day;
    }
    return std::uint32_t(lastDays * 86400 + s[3] * 3600 + s[4] * 60 + s[5]);
}

std::uint32_t wallTime(const QDateTime& dateTime) {
    const QDate d = dateTime.date();
    const QTime t = dateTime.time();
    return std::uint32_t(daysSinceEpoch(d.year(), d.month(), d.day()) * 86400 +
                         t.msecsSinceStartOfDay() / 1000);
}

CivilTime civilOf(std::uint32_t time) {
    const std::int64_t days = time / 86400;
    const int second = int(time % 86400);
    // Times come mostly in order: the date of the last day is kept.
    thread_local std::int64_t lastDays = -1;
    thread_local Date last{};
    if (days != lastDays) {
        last = dateOf(days);
        lastDays = days;
    }
    return {last.year,
            last.month,
            last.day,
            second / 3600,
            second / 60 % 60,
            second % 60,
            int((days + 3) % 7) + 1}; // 1970-01-01 was a Thursday
}

namespace {

// The forms of the axes' labels, from the time's calendar fields.
char* writeFields(std::uint32_t time, TimeFormat format, char* w) {
    const CivilTime c = civilOf(time);
    const auto date = [&](char* at) {
        at = year(c.year, at);
        *at++ = '-';
        at = two(c.month, at);
        *at++ = '-';
        return two(c.day, at);
    };
    const auto clock = [&](char* at, bool seconds) {
        at = two(c.hour, at);
        *at++ = ':';
        at = two(c.minute, at);
        if (seconds) {
            *at++ = ':';
            at = two(c.second, at);
        }
        return at;
    };
    switch (format) {
    case TimeFormat::DateTime:
    case TimeFormat::Iso:
        break; // writeTime's own
    case TimeFormat::Date:
        return date(w);
    case TimeFormat::Minutes:
        return clock(w, false);
    case TimeFormat::Seconds:
        return clock(w, true);
    case TimeFormat::MonthDay:
        w = two(c.month, w);
        *w++ = '-';
        return two(c.day, w);
    case TimeFormat::Month: {
        // Month names in English, whatever the locale: the rest of the axis is not translated.
        constexpr char kMonths[] = "JanFebMarAprMayJunJulAugSepOctNovDec";
        for (int k = 0; k < 3; ++k)
            *w++ = kMonths[3 * (c.month - 1) + k];
        return w;
    }
    case TimeFormat::Year:
        return year(c.year, w);
    }
    return w;
}

} // namespace

char* writeTime(std::uint32_t time, TimeFormat format, char* w) {
    if (time == kNoTime)
        return w;
    if (format == TimeFormat::DateTime || format == TimeFormat::Iso) {
        // A history's CSV writes millions of these: the date's text is kept for its day.
        thread_local std::int64_t textDays = -1;
        thread_local char dateText[10];
        const std::int64_t days = time / 86400;
        if (days != textDays) {
            const Date d = dateOf(days);
            char* at = year(d.year, dateText);
            *at++ = '-';
            at = two(d.month, at);
            *at++ = '-';
            two(d.day, at);
            textDays = days;
        }
        std::memcpy(w, dateText, sizeof dateText);
        w += sizeof dateText;
        *w++ = format == TimeFormat::Iso ? 'T' : ' ';
        const int second = int(time % 86400);
        w = two(second / 3600, w);
        *w++ = ':';
        w = two(second / 60 % 60, w);
        *w++ = ':';
        return two(second % 60, w);
    }
    return writeFields(time, format, w);
}

QString timeText(std::uint32_t time, TimeFormat format) {
    char text[kMaxTimeText];
    return QString::fromLatin1(text, writeTime(time, format, text) - text);
}

} // namespace model
} // namespace view
