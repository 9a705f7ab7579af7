#pragma once

#include <string_view>

namespace brevane {

// Messages that both front ends show in the same words.
inline constexpr std::string_view NoHandsDealtText = "No hands dealt";
inline constexpr std::string_view EndOfListText = "End of List";
inline constexpr std::string_view InvalidHandCountText = "Invalid hand count";
inline constexpr std::string_view OutOfMemoryText = "Out of memory";

}  // namespace brevane
