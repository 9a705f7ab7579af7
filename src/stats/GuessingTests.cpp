#include "stats/GuessingTests.h"

#include <algorithm>
#include <boost/math/distributions/normal.hpp>
#include <cmath>

namespace brevane {

namespace {

// The two-sided 95% point of the standard normal.
constexpr double Normal95 = 1.959963984540054;

}  // namespace

GuessingFigure GuessingFigureOf(const GuessTotals& totals) {
    const double m = static_cast<double>(totals.decks);
    const double mean = static_cast<double>(totals.correct) / m;
    // Sum of squared deviations from the mean, never below 0 for rounding.
    const double deviations = std::max(0.0, static_cast<double>(totals.squares) - m * mean * mean);
    const double sd = std::sqrt(deviations / (m - 1));
    return GuessingFigure{mean, Normal95 * sd / std::sqrt(m)};
}

FairnessTest GuessingTest(std::string_view name, const std::optional<GuessTotals>& totals,
                          std::uint64_t pairShuffles) {
    FairnessTest test;
    test.name = name;
    if (!totals) {
        test.verdict = Verdict::NotRun;
        test.reason = NoGuessingReason;
        return test;
    }
    if (totals->decks < MinimumGuessedDecks) {
        test.neededShuffles = MinimumGuessedDecks + pairShuffles;
        return test;
    }
    const double m = static_cast<double>(totals->decks);
    test.ran = true;
    test.statistic = (static_cast<double>(totals->correct) - 0.5 - m * FairGuessesPerDeck) /
                     std::sqrt(m * FairGuessVariance);
    test.df = 0;
    test.p = boost::math::cdf(boost::math::complement(boost::math::normal(), test.statistic));
    test.verdict = Verdict::Pass;
    test.observations = totals->decks;
    test.guessing = GuessingFigureOf(*totals);
    return test;
}

}  // namespace brevane
