#pragma once
// Takes the framed report off the line after the report command.

#include "link/context.h"
#include "link/protocol.h"

#include <QByteArray>
#include <cstdint>

namespace devicelink {

/// After an end marker the logger may say something before its prompt (a byte count, "OK"):
/// printable text of at most kMaxTextBeforePrompt bytes that ends in kPrompt proves the end; any
/// other byte means the marker was four bytes of a record. kSettleMs of silence after the marker
/// (or after the text that followed it) end the report there too, but unproved.
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

/// What Capture came to.
enum class CaptureResult {
    Captured, // the report is in capturedText; "Download complete " n " bytes" logged
    NoStart,  // no start marker within kStartSeconds; "Timeout!" logged
    Silence,  // kSilenceSeconds without data before the end marker; "Timeout!" logged
    Failed,   // an error of the line, logged as "ERROR: Capture: " + description
    Stopped,  // the program was told to end; nothing logged
    TooLong,  // no end marker within kMaxReportBytes; "ERROR: Capture: " + why logged
    TooSlow,  // no end marker within kReportMinutes; "ERROR: Capture: " + why logged
};

/// `Capture`: waits for the start marker, collects until the end marker and sets capturedText
/// to exactly the bytes between them. capturedText is left as it was unless the report is
/// captured; from Silence on, end gets what came after the start marker.
///
/// An end marker counts when the prompt follows it (after printable text, see kReportPrompt),
/// or nothing within kSettleMs. When other bytes follow, the marker was data and the capture
/// goes on; should the line then fall silent for 30 s, the report ends at that first marker
/// after all, unproved.
CaptureResult Capture(Context& ctx, QByteArray& capturedText, ReportEnd* end = nullptr);

} // namespace devicelink
