#pragma once

#include <QStringView>
#include <cstdint>

namespace brevane {

// Reads a whole text as a signed 32-bit integer: leading blanks, then an optional sign, then
// decimal digits, or hexadecimal digits after "$" or "0x". A text that does not convert as a
// whole, or whose value lies outside the signed 32-bit range, gives `fallback`.
std::int32_t TextToInt32(QStringView text, std::int32_t fallback);

}  // namespace brevane
