#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "stats/FairnessTests.h"
#include "stats/ShuffleCounts.h"

namespace brevane {

// The charts of the evaluation report, each an inline SVG element (SvgPicture), drawn from the
// counts and the fairness result alone.

// One value of a histogram: how often it was observed, and the count a fair shuffle expects.
struct CountBar {
    std::string label;
    std::uint64_t observed = 0;
    double expected = 0;
};

// The bars of the rising sequences (R = 1..52) and of the fixed points (k = 0..52) over the
// pairs, with the exact expected counts: the run of values from the first to the last one
// that was observed or expects at least half a pair. Empty when there is no pair.
std::vector<CountBar> RisingSequenceBars(const ShuffleCounts& counts);
std::vector<CountBar> FixedPointBars(const ShuffleCounts& counts);

// Observed counts as bars, each expected count marked by a line across its bar. `label`
// names the picture; `axis` captions the values along the bottom.
std::string CountBarsSvg(std::string_view label, std::string_view axis,
                         const std::vector<CountBar>& bars);

// A hand category's share of the seat's hands, observed and for a fair shuffle (0..1).
struct ShareBar {
    std::string label;
    double observed = 0;
    double expected = 0;
};

// The categories the counts' stage can show (2 at the Hole, else 10), High Card first.
std::vector<ShareBar> HandCategoryShares(const ShuffleCounts& counts);

// Observed against expected shares, a pair of bars per category with both percentages.
std::string SharesSvg(std::string_view label, const std::vector<ShareBar>& shares);

// Holm's threshold for each test of `result`, in its order: alpha / (m - i) for the test at
// rank i (0-based) of the m tests that ran sorted by p, the first of equal p-values ranked
// first; 0 for a test that did not run.
std::vector<double> HolmThresholds(const FairnessResult& result);

// Every test's p-value on one logarithmic axis, with alpha and each test's Holm threshold
// marked; a test that did not run says so on its line.
std::string PValuesSvg(const FairnessResult& result);

// The guessing tests' correct guesses per deck with their 95% intervals against the fair
// FairGuessesPerDeck; a guessing test that did not run says so on its line. Empty when the
// result holds no guessing test.
std::string GuessingSvg(const FairnessResult& result);

}  // namespace brevane
