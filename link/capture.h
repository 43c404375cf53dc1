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

/// Waits for the start marker, collects until the end marker and sets capturedText to exactly
/// the bytes between them. 0: captured; 1: no start marker in 120 s; 2: 30 s without data
/// before the end marker; 3: error ("ERROR: Capture: " + description). capturedText is left
/// as it was unless the result is 0.
std::int32_t Capture(Context& ctx, QByteArray& capturedText);

} // namespace devicelink
