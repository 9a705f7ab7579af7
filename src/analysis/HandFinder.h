#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "analysis/SeatView.h"
#include "analysis/ShuffleList.h"
#include "work/WorkProgress.h"

namespace brevane {

inline constexpr int HandClassCount = 26;

// Captions of the hand classes, in list order ("High Card", "Pair -", "Pair", "Pair +", ...).
extern const std::array<std::string_view, HandClassCount> HandClassCaptions;

// The class whose caption is exactly `caption`, or nullopt.
std::optional<std::int32_t> HandClassFromCaption(std::string_view caption);

// Whether hand value v lies in the class; a class outside 0..25 matches nothing.
bool HandClassMatches(std::int32_t handClass, std::int32_t v);

// First row r >= startRow whose seat hand matches the class, or nullopt. `progress` counts the
// rows looked at; cancelling it stops the search with WorkCancelled.
std::optional<std::size_t> FindNextHandRow(const ShuffleList& list, std::size_t startRow,
                                           std::int32_t handClass, const SeatView& view,
                                           WorkProgress* progress = nullptr);

}  // namespace brevane
