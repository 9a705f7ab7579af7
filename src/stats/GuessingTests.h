#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "guessing/GuessingCounts.h"
#include "stats/FairnessTests.h"

namespace brevane {

// The variance of one deck's correct guesses under a fair shuffle: the sum of 1/k - 1/k^2 for
// k = 1..52. (Its mean is FairGuessesPerDeck.)
inline constexpr double FairGuessVariance = [] {
    double sum = 0;
    for (int k = 1; k <= DeckSize; ++k) sum += 1.0 / k - 1.0 / (static_cast<double>(k) * k);
    return sum;
}();

// The fewest decks a guessing test scores.
inline constexpr std::uint64_t MinimumGuessedDecks = 100;

// Why the guessing tests of counts without a guessing game did not run.
inline constexpr std::string_view NoGuessingReason = "no guessing counts (a version 1 counts file)";

// A guessing test over its strategy's totals. Every guess of a fair shuffle is right with chance
// exactly 1/k when k cards remain, independently, since the tables behind it come from earlier
// decks only: so T over M decks has mean M H and variance M V, and the statistic is
// z = (T - 0.5 - M H) / sqrt(M V), p its upper normal tail (more correct guesses than chance is
// the evidence). It runs with MinimumGuessedDecks decks; `pairShuffles` is the shuffles beyond
// the decks that a pair needs (1 for continuing rows, 0 from a new deck). Absent totals give a
// test that did not run for NoGuessingReason.
FairnessTest GuessingTest(std::string_view name, const std::optional<GuessTotals>& totals,
                          std::uint64_t pairShuffles);

// The mean correct guesses per deck and the half-width of its 95% interval, from the per-deck
// standard deviation; the totals must hold two decks or more.
GuessingFigure GuessingFigureOf(const GuessTotals& totals);

}  // namespace brevane
