#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/ShuffleList.h"

namespace brevane {

// An ordered list of text lines without line-break characters.
using Report = std::vector<std::string>;

// k as a percentage of n (n >= 1) with exactly four decimals, exact halves rounded up,
// written with the given decimal separator.
std::string PercentText(std::uint64_t k, std::uint64_t n, std::string_view separator);

// Builders over a stored list with at least one row.
Report BuildSuitReport(const ShuffleList& list, int suitIndex, std::string_view suitText,
                       std::string_view separator);
Report BuildRankReport(const ShuffleList& list, int rankIndex, std::string_view rankText,
                       std::string_view separator);
Report BuildCardReport(const ShuffleList& list, std::int32_t cardCode, std::string_view cardText,
                       std::string_view separator);
Report BuildDeckPosReport(const ShuffleList& list, int deckPosition, std::string_view positionText,
                          std::string_view separator);
Report BuildHandCategoryReport(const ShuffleList& list, std::int32_t n, std::int32_t seatPosition,
                               std::int32_t stage, std::string_view seatText,
                               std::string_view stageText, std::string_view separator);

}  // namespace brevane
