#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace brevane {

// Keys the process's generator before anything uses it: with `keyHex` (64 hexadecimal digits)
// when one is given, otherwise seeded from the timer. A malformed key leaves the generator as
// it was and gives false, with `error` set to InvalidKeyMessage(keyHex).
bool PrepareGenerator(std::optional<std::string_view> keyHex, std::string& error);

// "invalid key 'KEY': expected 64 hexadecimal digits", the one complaint about a bad key.
std::string InvalidKeyMessage(std::string_view keyHex);

}  // namespace brevane
