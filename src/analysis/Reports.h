#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/PercentText.h"
#include "analysis/SeatView.h"
#include "analysis/ShuffleList.h"
#include "work/WorkProgress.h"

namespace brevane {

// An ordered list of text lines without line-break characters.
using Report = std::vector<std::string>;

// Builders over a stored list with at least one row. The rows are counted on the default number
// of threads; `progress` counts them, and cancelling it stops the count with WorkCancelled.
Report BuildSuitReport(const ShuffleList& list, int suitIndex, std::string_view suitText,
                       std::string_view separator, WorkProgress* progress = nullptr);
Report BuildRankReport(const ShuffleList& list, int rankIndex, std::string_view rankText,
                       std::string_view separator, WorkProgress* progress = nullptr);
Report BuildCardReport(const ShuffleList& list, std::int32_t cardCode, std::string_view cardText,
                       std::string_view separator, WorkProgress* progress = nullptr);
Report BuildDeckPosReport(const ShuffleList& list, int deckPosition, std::string_view positionText,
                          std::string_view separator, WorkProgress* progress = nullptr);
// The seat and stage lines name the view's seat and stage as their lists show them.
Report BuildHandCategoryReport(const ShuffleList& list, const SeatView& view,
                               std::string_view separator, WorkProgress* progress = nullptr);

}  // namespace brevane
