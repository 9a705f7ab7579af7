#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace brevane {

// Pearson's X^2 = sum over the cells of (O - E)^2 / E. Every E must be positive.
double PearsonStatistic(std::span<const std::uint64_t> observed, std::span<const double> expected);

// P(X >= statistic) for X chi-square distributed with `df` degrees of freedom, computed as an
// upper tail (never 1 - cdf), so that it keeps its precision down to the smallest double.
double ChiSquareUpperTail(double statistic, double df);

// A run of consecutive cells [begin, end) that is counted as one.
struct CellGroup {
    std::size_t begin;
    std::size_t end;
    bool operator==(const CellGroup&) const = default;
};

// Merges cells that expect fewer than `minimum` each, from the tails inward:
// - the most likely cell is the first one with the largest expected count;
// - from each end, consecutive cells are gathered toward it until together they expect at
//   least `minimum`; they become one cell and the walk goes on;
// - cells left over when a walk reaches the most likely cell join it;
// - while that cell expects fewer than `minimum`, it is merged with its larger neighbour (the
//   earlier one of two equal neighbours).
// Gives the groups in cell order; none for no cells.
std::vector<CellGroup> MergeSmallCells(std::span<const double> expected, double minimum = 5.0);

// The sums of `values` over each group.
template <typename T>
std::vector<T> SumOverGroups(std::span<const T> values, const std::vector<CellGroup>& groups) {
    std::vector<T> sums;
    sums.reserve(groups.size());
    for (const CellGroup& g : groups) {
        T sum{};
        for (std::size_t i = g.begin; i < g.end; ++i) sum += values[i];
        sums.push_back(sum);
    }
    return sums;
}

// Holm's step-down at significance level `alpha`: the p-values in ascending order are compared
// with alpha / m, alpha / (m - 1), ..., and each is rejected until the first that is not. The
// result says, for each p-value in the given order, whether it is rejected.
std::vector<bool> HolmRejections(std::span<const double> pValues, double alpha);

}  // namespace brevane
