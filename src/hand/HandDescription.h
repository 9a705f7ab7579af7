#pragma once

#include <cstdint>
#include <string>

namespace brevane {

// The hand in words, e.g. "Full House, Aces full of Kings"; "Error" below 0x100000.
std::string HandDescription(std::int32_t value);

}  // namespace brevane
