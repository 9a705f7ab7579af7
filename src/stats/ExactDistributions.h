#pragma once

#include <array>
#include <boost/multiprecision/cpp_int.hpp>
#include <cstdint>
#include <vector>

#include "analysis/SeatView.h"
#include "cards/Cards.h"

namespace brevane {

using BigCount = boost::multiprecision::cpp_int;

BigCount Factorial(int n);

// The Eulerian numbers A(n, r), r = 1..n at index r - 1: the permutations of n cards with r
// rising sequences.
std::vector<BigCount> EulerianNumbers(int n);

// The permutations of n cards with exactly k fixed points, k = 0..n: C(n, k) times the
// derangements of the other n - k.
std::vector<BigCount> MatchingCounts(int n);

// For a uniformly random permutation of 52 cards, exact probabilities rounded to double:
// P(R = r) at index r - 1, and P(k fixed points) at index k.
const std::array<double, DeckSize>& RisingSequenceProbabilities();
const std::array<double, 53>& FixedPointProbabilities();

// How many sets of a stage's 2, 5, 6 or 7 cards fall in each hand category, High Card to Royal
// Flush, out of `total` sets. Any one seat's cards are a uniformly random set, so count / total
// is the exact probability of the category for a fair shuffle.
struct HandCategoryTotals {
    std::uint64_t total;
    std::array<std::uint64_t, 10> counts;
    // The categories the stage can show: 2 at the Hole stage (High Card, Pair), else 10.
    std::size_t cells;
};
const HandCategoryTotals& CategoryTotalsForStage(Stage stage);

}  // namespace brevane
