#pragma once

#include <QString>
#include <cstdint>

namespace settings {

/// `ToNumber`: converts text to a signed 32-bit number: surrounding blanks allowed, an optional
/// sign, an optional decimal fraction rounded half to even (2.5 gives 2, 3.5 gives 4). Anything
/// that does not convert, or lies outside the 32-bit range, gives 0.
std::int32_t ToNumber(const QString& text);

} // namespace settings
