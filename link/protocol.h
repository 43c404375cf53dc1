#pragma once
// The logger's side of the dialogue, word for word: what it shows, what it is sent, how it frames
// its report and how long each step may take. The primitives, the capture and the read-out all
// take their words from here.

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace devicelink {

/// Line settings of the device.
inline const QString kLineSettings = QStringLiteral("115200,N,8,1");

/// The boot menu's last line, shown after a reset.
inline const QByteArray kBootMenu = QByteArrayLiteral("1 - exit");
/// Leaves the boot menu for the command prompt (no line ending).
inline const QByteArray kLeaveMenu = QByteArrayLiteral("1");
/// The command prompt; the logger shows it again once its report is sent.
inline const QByteArray kPrompt = QByteArrayLiteral("cmd>");
/// Sends the stored report.
inline const QByteArray kReportCommand = QByteArrayLiteral("report 0\r");
/// Discards the stored data.
inline const QByteArray kClearCommand = QByteArrayLiteral("forward pointer\r");

/// The report's frame.
inline const QByteArray kStartMarker = QByteArrayLiteral("!@#$");
inline const QByteArray kEndMarker = QByteArrayLiteral("%^&*");

inline constexpr std::int32_t kBootSeconds = 30;    // for the boot menu
inline constexpr std::int32_t kPromptSeconds = 10;  // for the prompt
inline constexpr std::int32_t kStartSeconds = 120;  // to see the start marker
inline constexpr std::int32_t kSilenceSeconds = 30; // without data before the end marker

} // namespace devicelink
