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
// hand-categories test used. `source` says what was judged: lines that follow the title as
// they are, the first of them starting with "Source: ".
Report FairnessReportLines(const FairnessResult& result, const SeatView& view,
                           const Report& source);

// The source line of the report over the window's list, whose rows no key or file names.
inline constexpr std::string_view WindowListSourceLine =
    "Source: the shuffles in the window's list";

// The overall verdict line: "Verdict: pass", "Verdict: fail (F of R tests failed)" or
// "Verdict: inconclusive: M of T tests need at least N shuffles", N being the most any test that
// did not run needs, followed by "; K of T tests not run" (or ": K of T tests not run" alone)
// when K tests could not run at all.
std::string VerdictLine(const FairnessResult& result);

// A guessing test's figure: "6.08 \u00b1 0.05 of 52 cards, fair 4.54".
std::string GuessingFigureText(const GuessingFigure& figure);

// The header row "name,statistic,df,p,w,detects_w,verdict", one row per test in the order of
// the result (a number the test lacks, the guessing tests' df among them, or all of them when it
// did not run, empty), then the row
// "overall,,,,,,VERDICT". Numbers are the shortest texts that read back as the same double,
// with "." whatever the locale; lines end in LF, fields are quoted as CsvField quotes them.
std::string FairnessCsvText(const FairnessResult& result);

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

// The fairness report over a stored list with at least one row; `source` as for
// FairnessReportLines.
Report BuildFairnessReport(const ShuffleList& list, const SeatView& view, const Report& source,
                           double alpha = DefaultAlpha, WorkProgress* progress = nullptr);

}  // namespace brevane
