#pragma once
// Takes the framed report off the line after the report command.

#include "link/context.h"

#include <QByteArray>
#include <cstdint>

namespace devicelink {

inline const QByteArray kStartMarker = QByteArrayLiteral("!@#$");
inline const QByteArray kEndMarker = QByteArrayLiteral("%^&*");
inline constexpr std::int32_t kStartSeconds = 120;  // to see the start marker
inline constexpr std::int32_t kSilenceSeconds = 30; // without data before the end marker

/// The logger's prompt, which it shows again once its report is sent. After an end marker it
/// may say something first (a byte count, "OK"): printable text of at most kMaxTextBeforePrompt
/// bytes that ends in the prompt proves the end; any other byte means the marker was four bytes
/// of a record. kSettleMs of silence after the marker (or after the text that followed it) end
/// the report there too, but unproved.
inline const QByteArray kReportPrompt = QByteArrayLiteral("cmd>");
inline constexpr qsizetype kMaxTextBeforePrompt = 256;
inline constexpr qint64 kSettleMs = 1000;

/// More than any logger holds (1 766 022 records, which take 48 minutes at 115 200 baud): a
/// line that sends more without an end marker is not sending a report.
inline constexpr qsizetype kMaxReportBytes = 32 * 1024 * 1024;
/// The longest a report may take from its start marker, however steadily it comes.
inline constexpr std::int32_t kReportMinutes = 60;

/// How the report ended, beyond the bytes: what proves it whole, and what came of one cut short.
struct ReportEnd {
    bool promptFollowed = false; // the end marker was followed by text that ends in the prompt
    QByteArray received;         // a capture cut short after the start marker: what came since
};

/// Waits for the start marker, collects until the end marker and sets capturedText to exactly
/// the bytes between them. 0: captured; 1: no start marker in 120 s; 2: 30 s without data
/// before the end marker; 3: error ("ERROR: Capture: " + description), or the program told to
/// end (nothing logged); 4: no end marker within kMaxReportBytes; 5: none within
/// kReportMinutes. capturedText is left as it was unless the result is 0; on 2 to 5 end gets
/// what came after the start marker.
///
/// An end marker counts when the prompt follows it (after printable text, see kReportPrompt),
/// or nothing within kSettleMs. When other bytes follow, the marker was data and the capture
/// goes on; should the line then fall silent for 30 s, the report ends at that first marker
/// after all, unproved.
std::int32_t Capture(Context& ctx, QByteArray& capturedText, ReportEnd* end = nullptr);

} // namespace devicelink
