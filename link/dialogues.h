#pragma once
// The two things a user asks of the device: download its report, or clear it.

#include "link/context.h"

#include <QByteArray>

namespace devicelink {

// The device's dialogue, word for word.
inline const QByteArray kBootMenu = QByteArrayLiteral("1 - exit");
inline const QByteArray kLeaveMenu = QByteArrayLiteral("1");
inline const QByteArray kPrompt = QByteArrayLiteral("cmd>");
inline const QByteArray kReportCommand = QByteArrayLiteral("report 0\r");
inline const QByteArray kClearCommand = QByteArrayLiteral("forward pointer\r");
inline constexpr std::int32_t kBootSeconds = 30;
inline constexpr std::int32_t kPromptSeconds = 10;
inline const QString kClearQuestion =
    QStringLiteral("This will clear ALL data from the ZELM device!\r\nAre you sure?");

/// The report of the last successful download of this run.
QByteArray& CapturedText();

/// Stores the chosen port, opens it, walks the boot menu to the prompt, captures the report,
/// decodes it and closes the port. listIndex is the port list's selected position (-1: none).
void DownloadData(Context& ctx, int listIndex);

/// Asks for confirmation, then walks to the prompt like DownloadData and tells the device to
/// discard its stored data.
void ClearData(Context& ctx, int listIndex);

/// How a read-out without a window ended; the numbers are the exit statuses of zelm-download.
enum class Outcome {
    Done = 0,       // downloaded and kept (and cleared, when asked)
    NoAnswer = 1,   // the logger did not answer in time, or the line failed on the way
    PortFailed = 2, // the port could not be opened
    NotKept = 3,    // the report could not be kept; nothing cleared
    NotCleared = 4, // kept, but the clear was not done or not confirmed
};

/// How far a read-out came before it ended.
enum class Reached { Nothing, Opened, BootMenu };

struct ReadOut {
    Outcome outcome = Outcome::NoAnswer;
    Reached reached = Reached::Nothing;
    QString outPath; // the decoded file, when kept
};

/// The start of the line logged when a logger is not cleared; the reason follows.
inline const QString kNotCleared = QStringLiteral("ERROR: the logger was NOT cleared: ");

/// Downloads like DownloadData from the given port without storing it and without the editor,
/// waiting bootSeconds for the boot menu (0: without limit). With clear, and only once the raw
/// report is on the device, clears the logger in the same session as ClearData does after its
/// question. With keepOpen, a port whose dialogue went through stays open for the next logger.
ReadOut readOutDevice(Context& ctx, std::int32_t port, bool clear, std::int32_t bootSeconds,
                      bool keepOpen = false);

} // namespace devicelink
