#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "analysis/Reports.h"
#include "analysis/ShuffleList.h"
#include "stats/FairnessTests.h"
#include "stats/ShuffleCounts.h"

namespace brevane {

// The seat view the hand-categories test used, in the words of the seat and stage lists.
struct SeatViewText {
    std::int32_t players;
    std::string_view seat;   // "D-3  (rotate)"
    std::string_view stage;  // "River"
};

// The verdict as lines of text, one line per test in the order of the result. Numbers are
// written with "." whatever the locale.
Report FairnessReportLines(const FairnessResult& result, const SeatViewText& view);

// Number texts of the report: `value` with `decimals` digits after the point; a p-value with
// four decimals, or in exponent form below 0.0001.
std::string FixedText(double value, int decimals);
std::string PValueText(double p);

// Every row of `list`, counted in list order for the seat view.
ShuffleCounts CountShuffleList(const ShuffleList& list, std::int32_t players,
                               std::int32_t seatPosition, std::int32_t stage);

// The fairness report over a stored list with at least one row.
Report BuildFairnessReport(const ShuffleList& list, std::int32_t players, std::int32_t seatPosition,
                           std::int32_t stage, const SeatViewText& view,
                           double alpha = DefaultAlpha);

}  // namespace brevane
