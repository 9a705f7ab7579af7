#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "cards/Cards.h"
#include "stats/LargestCell.h"
#include "stats/ShuffleCounts.h"

namespace brevane {

// A test's verdict is Pass, Fail, TooFewShuffles (it did not run for want of rows) or NotRun (the
// counts hold nothing it could test, such as a version 1 counts file's guessing game). The
// overall verdict is Fail when a test failed, otherwise Inconclusive when a test did not run,
// for whatever reason, otherwise Pass: rows a test could not look at never pass.
enum class Verdict { Pass, Fail, TooFewShuffles, Inconclusive, NotRun };

// "pass", "fail", "too few shuffles", "inconclusive" or "not run".
std::string_view VerdictText(Verdict verdict);

inline constexpr double DefaultAlpha = 0.01;

// The smallest expected count of a cell: smaller cells are merged, and a position table whose
// cells expect less is not tested.
inline constexpr double MinimumExpected = 5.0;

// The correct guesses per deck that a player can expect from a fair shuffle, whatever the
// strategy: 1/52 + 1/51 + ... + 1/1.
inline constexpr double FairGuessesPerDeck = [] {
    double sum = 0;
    for (int k = 1; k <= DeckSize; ++k) sum += 1.0 / k;
    return sum;
}();

// What a guessing game scored: the mean number of correct guesses per deck and the half-width
// of its 95% interval.
struct GuessingFigure {
    double mean = 0;
    double halfWidth = 0;
};

struct FairnessTest {
    std::string_view name;  // "card-position", ...
    bool ran = false;
    // When the test ran:
    double statistic = 0;
    std::int32_t df = 0;  // 0 for a test without degrees of freedom (shown "-")
    double p = 1;
    Verdict verdict = Verdict::TooFewShuffles;
    // When it did not: the number of shuffles from which on it runs (TooFewShuffles), or why
    // it could not run at all (NotRun).
    std::uint64_t neededShuffles = 0;
    std::string_view reason;
    // For a chi-square test that ran: the observations its table counts (n), the effect size w
    // and the smallest w it detects (see EffectSize.h); a test without them shows "-".
    std::uint64_t observations = 0;
    std::optional<double> w;
    std::optional<double> detectsW;
    // For a position test that ran: its cell furthest from the expected count.
    std::optional<LargestCell> largestCell;
    // For a guessing test that ran: its score.
    std::optional<GuessingFigure> guessing;
};

// Whether a test is one of the guessing games ("guess-position", "guess-follower").
bool IsGuessingTest(const FairnessTest& test);

struct FairnessResult {
    std::uint64_t shuffles = 0;
    double alpha = DefaultAlpha;
    // Whether every row was compared with the new deck rather than with the row before.
    bool fromNewDeck = false;
    // card-position, move-position, suit-position, rank-position, hand-categories,
    // rising-sequences, fixed-points, guess-position, guess-follower.
    std::vector<FairnessTest> tests;
    // Fail when any test fails; otherwise Inconclusive when any test did not run, so that rows
    // too few for a test never pass on the others alone.
    Verdict verdict = Verdict::Pass;
};

// Of the tests that did not run: how many, the most shuffles any of them needs, and how many of
// them could not run whatever the shuffles (NotRun).
struct MissingTests {
    std::size_t count = 0;
    std::uint64_t neededShuffles = 0;
    std::size_t notRun = 0;
};
MissingTests TestsNotRun(const FairnessResult& result);

// The statistic of a position table with `rows` rows (cards, suits, ranks, or earlier
// positions) by 52 positions, each cell expecting total / rows for a fair shuffle: Pearson's
// X^2 times 51/52. `total` is the number of rows or pairs counted.
//
// Why 51/52: one permutation's indicator table X (52 x 52, X[c][p] = 1 when card c lies at p)
// has E X = 1/52 in every cell and covariance Cov(X[c][p], X[d][q]) = (1/51) (d_cd - 1/52)
// (d_pq - 1/52), d being the Kronecker delta. That is 1/51 times A (x) A, A = I - J/52 being
// the projection that removes the mean. Summing a table's rows in groups (13 cards to a suit,
// 4 to a rank) keeps this form with the group's own A. The standardised cells (O - E)/sqrt(E)
// of N independent permutations therefore have covariance 52/51 times a projection of rank
// (rows - 1) * 51, so in the limit X^2 is 52/51 times a chi-square with that many degrees of
// freedom, and X^2 * 51/52 is chi-square distributed with df = (rows - 1) * 51: 2601, 153 and
// 612. Without the factor X^2 averages (rows - 1) * 52, 2652 for the card table. (A single
// row's table gives exactly X^2 * 51/52 = df.) The moves of a fair shuffle are themselves
// uniform permutations, one per pair, so the same holds for the moves table.
double PositionStatistic(std::span<const std::array<std::uint64_t, DeckSize>> table,
                         std::uint64_t total);

// Runs every test over the counts, then Holm's step-down at `alpha` (0 < alpha < 1) over the
// tests that ran, and gives the overall verdict; each chi-square test's sensitivity is stated at
// the level alpha / m of the first step, m being the number of tests that ran.
FairnessResult RunFairnessTests(const ShuffleCounts& counts, double alpha = DefaultAlpha);

}  // namespace brevane
