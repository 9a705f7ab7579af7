#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace brevane {

// k as a percentage of n (n >= 1) with exactly four decimals, exact halves rounded up,
// written with the given decimal separator. Throws std::invalid_argument for n = 0.
std::string PercentText(std::uint64_t k, std::uint64_t n, std::string_view separator);

}  // namespace brevane
