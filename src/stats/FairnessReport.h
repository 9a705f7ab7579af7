#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "analysis/Reports.h"
#include "analysis/ShuffleList.h"
#include "stats/FairnessTests.h"
#include "stats/NumberText.h"
#include "stats/ShuffleCounts.h"
#include "work/WorkProgress.h"

namespace brevane {

// The verdict as lines of text: one line per test in the order of the result, with its effect
// and sensitivity; the largest cell of each position test that ran; the overall verdict and
// the summary. Numbers are written with "." whatever the locale. `view` is the seat view the
// hand-categories test used.
Report FairnessReportLines(const FairnessResult& result, const SeatView& view);

// Every row of `list` for the seat view, counted over consecutive ranges on the default number
// of threads and joined in list order, so that the counts are those of one pass. `progress`
// counts the rows; cancelling it stops the count with WorkCancelled.
ShuffleCounts CountShuffleList(const ShuffleList& list, const SeatView& view,
                               WorkProgress* progress = nullptr);

// The fairness report over a stored list with at least one row.
Report BuildFairnessReport(const ShuffleList& list, const SeatView& view,
                           double alpha = DefaultAlpha, WorkProgress* progress = nullptr);

}  // namespace brevane
