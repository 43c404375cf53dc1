#pragma once
// The logger's wall-clock times and their one text form. The logger's clock knows no zone and no
// summer time, so its times are plain calendar arithmetic: seconds since 1970-01-01 00:00 of that
// clock, never converted through the PC's zone. Readings, statistics, charts and exports all
// write times through timeText or writeTime.

#include <QString>
#include <cstdint>
#include <limits>

class QDateTime;

namespace view {
inline namespace model {

/// Time of a reading whose stamp is not a valid date and time.
inline constexpr std::uint32_t kNoTime = std::numeric_limits<std::uint32_t>::max();

/// The wall-clock time of a stamp's two-digit fields (year in the century .. second), or
/// kNoTime where they are no valid date and time.
std::uint32_t stampTime(const std::uint8_t stamp[6]);
/// The wall-clock time of a date and time, as the logger's clock counts it.
std::uint32_t wallTime(const QDateTime& dateTime);

/// A wall-clock time by its calendar fields.
struct CivilTime {
    int year, month, day, hour, minute, second;
    int dayOfWeek; // 1 Monday .. 7 Sunday
};
CivilTime civilOf(std::uint32_t time);

enum class TimeFormat {
    DateTime, // 2026-03-05 14:07:09
    Iso,      // 2026-03-05T14:07:09 (ISO 8601 without a zone)
    Date,     // 2026-03-05
    Minutes,  // 14:07
    Seconds,  // 14:07:09
    MonthDay, // 03-05
    Month,    // Mar
    Year,     // 2026
};
/// The longest text writeTime writes.
inline constexpr int kMaxTimeText = 24;

/// Writes time at out in format; returns the end. Nothing for kNoTime.
char* writeTime(std::uint32_t time, TimeFormat format, char* out);
/// time in format; empty for kNoTime.
QString timeText(std::uint32_t time, TimeFormat format = TimeFormat::DateTime);

} // namespace model
} // namespace view
