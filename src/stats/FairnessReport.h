#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "analysis/Reports.h"
#include "analysis/ShuffleList.h"
#include "stats/FairnessTests.h"
#include "stats/ShuffleCounts.h"
#include "work/WorkProgress.h"

namespace brevane {

// The verdict as lines of text, one line per test in the order of the result. Numbers are
// written with "." whatever the locale. `view` is the seat view the hand-categories test used.
Report FairnessReportLines(const FairnessResult& result, const SeatView& view);

// Number texts of the report: `value` with `decimals` digits after the point; a p-value with
// four decimals, or in exponent form below 0.0001.
std::string FixedText(double value, int decimals);
std::string PValueText(double p);

// Every row of `list` for the seat view, counted over consecutive ranges on the default number
// of threads and joined in list order, so that the counts are those of one pass. `progress`
// counts the rows; cancelling it stops the count with WorkCancelled.
ShuffleCounts CountShuffleList(const ShuffleList& list, const SeatView& view,
                               WorkProgress* progress = nullptr);

// Brings `counts`, made over the first counts.Rows() rows of `list`, up to the whole list: the
// rows added since are counted as CountShuffleList counts them and merged, so that the result
// equals counting the whole list afresh, for the counts' seat view. Counts whose first or last
// row is no longer where it was (the list was cleared and filled again) are made afresh.
void CountNewListRows(ShuffleCounts& counts, const ShuffleList& list,
                      WorkProgress* progress = nullptr);

// The fairness report over a stored list with at least one row.
Report BuildFairnessReport(const ShuffleList& list, const SeatView& view,
                           double alpha = DefaultAlpha, WorkProgress* progress = nullptr);

}  // namespace brevane
