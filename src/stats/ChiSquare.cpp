#include "stats/ChiSquare.h"

#include <algorithm>
#include <boost/math/distributions/chi_squared.hpp>
#include <numeric>

namespace brevane {

double PearsonStatistic(std::span<const std::uint64_t> observed, std::span<const double> expected) {
    long double sum = 0;
    for (std::size_t i = 0; i < observed.size(); ++i) {
        const long double d = static_cast<long double>(observed[i]) - expected[i];
        sum += d * d / expected[i];
    }
    return static_cast<double>(sum);
}

double ChiSquareUpperTail(double statistic, double df) {
    if (statistic <= 0) return 1.0;
    const boost::math::chi_squared_distribution<double> distribution(df);
    return boost::math::cdf(boost::math::complement(distribution, statistic));
}

namespace {

// Gathers cells from `from` toward `to` (exclusive), one step at a time, into groups that
// expect at least `minimum`; gives the groups in walking order and the leftover cells' span.
struct Walk {
    std::vector<CellGroup> groups;
    std::size_t leftoverBegin;
    std::size_t leftoverEnd;
};

Walk WalkFromLeft(std::span<const double> e, std::size_t peak, double minimum) {
    Walk walk{{}, 0, 0};
    std::size_t start = 0;
    double sum = 0;
    for (std::size_t i = 0; i < peak; ++i) {
        sum += e[i];
        if (sum >= minimum) {
            walk.groups.push_back({start, i + 1});
            start = i + 1;
            sum = 0;
        }
    }
    walk.leftoverBegin = start;
    walk.leftoverEnd = peak;
    return walk;
}

Walk WalkFromRight(std::span<const double> e, std::size_t peak, double minimum) {
    Walk walk{{}, e.size(), e.size()};
    std::size_t end = e.size();
    double sum = 0;
    for (std::size_t i = e.size(); i-- > peak + 1;) {
        sum += e[i];
        if (sum >= minimum) {
            walk.groups.push_back({i, end});
            end = i;
            sum = 0;
        }
    }
    walk.leftoverBegin = peak + 1;
    walk.leftoverEnd = end;
    std::reverse(walk.groups.begin(), walk.groups.end());
    return walk;
}

}  // namespace

std::vector<CellGroup> MergeSmallCells(std::span<const double> expected, double minimum) {
    if (expected.empty()) return {};
    const std::size_t peak = static_cast<std::size_t>(
        std::max_element(expected.begin(), expected.end()) - expected.begin());
    const Walk left = WalkFromLeft(expected, peak, minimum);
    const Walk right = WalkFromRight(expected, peak, minimum);

    std::vector<CellGroup> groups = left.groups;
    std::size_t middle = groups.size();
    groups.push_back({left.leftoverBegin, right.leftoverEnd});
    groups.insert(groups.end(), right.groups.begin(), right.groups.end());

    std::vector<double> sums = SumOverGroups(expected, groups);
    while (sums[middle] < minimum && groups.size() > 1) {
        const bool hasLeft = middle > 0;
        const bool hasRight = middle + 1 < groups.size();
        const bool takeLeft = hasLeft && (!hasRight || sums[middle - 1] >= sums[middle + 1]);
        const std::size_t other = takeLeft ? middle - 1 : middle + 1;
        const std::size_t first = std::min(middle, other);
        groups[first] = {groups[first].begin, groups[first + 1].end};
        sums[first] += sums[first + 1];
        groups.erase(groups.begin() + static_cast<std::ptrdiff_t>(first) + 1);
        sums.erase(sums.begin() + static_cast<std::ptrdiff_t>(first) + 1);
        middle = first;
    }
    return groups;
}

std::vector<bool> HolmRejections(std::span<const double> pValues, double alpha) {
    std::vector<std::size_t> order(pValues.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return pValues[a] < pValues[b]; });
    std::vector<bool> rejected(pValues.size(), false);
    const double m = static_cast<double>(pValues.size());
    for (std::size_t k = 0; k < order.size(); ++k) {
        if (pValues[order[k]] > alpha / (m - static_cast<double>(k))) break;
        rejected[order[k]] = true;
    }
    return rejected;
}

}  // namespace brevane
