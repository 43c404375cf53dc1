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

} // namespace devicelink
