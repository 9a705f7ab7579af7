#pragma once

// Checks of model rows against exact laws: the rows of a model with the order each was shuffled
// from, and tests of counts against a proportion or a distribution.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/normal.hpp>
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "models/ShuffleRows.h"
#include "support/ReferenceShuffle.h"

namespace brevane::test {

inline constexpr double FalseFailureRate = 1e-6;
inline constexpr std::size_t BatchRows = 4096;

// Makes `rows` rows of `model` and hands each to `visit` with the order it was shuffled from:
// the row before it, or the first order 2c 2d ... As for the first row and for every row made
// from a new deck.
inline void ForEachRow(
    const ShuffleModel& model, bool fromNewDeck, std::size_t rows,
    const std::function<void(const std::uint8_t* before, const std::uint8_t* row)>& visit) {
    ShuffleGenerator generator;
    generator.SetKey(test::CountingKey());
    ShuffleRowMaker maker(generator, model, fromNewDeck);
    std::vector<std::uint8_t> batch(BatchRows * 52);
    std::array<std::uint8_t, 52> before;
    CopyDeckToRow(InitialDeck(), before.data());
    for (std::size_t done = 0; done < rows;) {
        const std::size_t n = std::min(BatchRows, rows - done);
        maker.Make(batch.data(), n);
        for (std::size_t k = 0; k < n; ++k) {
            const std::uint8_t* row = batch.data() + k * 52;
            visit(before.data(), row);
            if (!fromNewDeck) std::copy(row, row + 52, before.begin());
        }
        done += n;
    }
}

// Whether `observed` hits out of `trials` fit probability `p`, two-sided, at level `alpha`.
inline void ExpectProportion(std::uint64_t observed, std::uint64_t trials, double p, double alpha,
                             const char* what) {
    const double n = static_cast<double>(trials);
    const double z = (static_cast<double>(observed) - n * p) / std::sqrt(n * p * (1 - p));
    const double limit = boost::math::quantile(
        boost::math::complement(boost::math::normal_distribution<double>(), alpha / 2));
    EXPECT_LT(std::abs(z), limit) << what << ": " << observed << " of " << trials
                                  << " against p = " << p;
}

// Pearson's chi-square of `observed` against `probabilities`. Neighbouring cells are pooled
// until each expects at least 5; a cell of probability 0 must stay empty.
inline void ExpectFit(const std::vector<std::uint64_t>& observed,
                      const std::vector<double>& probabilities, double alpha, const char* what) {
    ASSERT_EQ(observed.size(), probabilities.size());
    std::uint64_t total = 0;
    for (std::uint64_t o : observed) total += o;
    const double n = static_cast<double>(total);
    std::vector<double> pooledObserved, pooledExpected;
    double cellObserved = 0, cellExpected = 0;
    for (std::size_t k = 0; k < observed.size(); ++k) {
        if (probabilities[k] == 0) {
            EXPECT_EQ(observed[k], 0u) << what << ": impossible cell " << k;
            continue;
        }
        cellObserved += static_cast<double>(observed[k]);
        cellExpected += n * probabilities[k];
        if (cellExpected >= 5) {
            pooledObserved.push_back(cellObserved);
            pooledExpected.push_back(cellExpected);
            cellObserved = cellExpected = 0;
        }
    }
    if (!pooledExpected.empty()) {
        pooledObserved.back() += cellObserved;
        pooledExpected.back() += cellExpected;
    }
    ASSERT_GE(pooledExpected.size(), 2u) << what << ": too few rows for a test";
    double statistic = 0;
    for (std::size_t k = 0; k < pooledExpected.size(); ++k) {
        const double d = pooledObserved[k] - pooledExpected[k];
        statistic += d * d / pooledExpected[k];
    }
    const boost::math::chi_squared_distribution<double> chi(
        static_cast<double>(pooledExpected.size() - 1));
    const double critical = boost::math::quantile(boost::math::complement(chi, alpha));
    EXPECT_LT(statistic, critical)
        << what << ": chi-square " << statistic << " over " << pooledExpected.size()
        << " cells, p = " << boost::math::cdf(boost::math::complement(chi, statistic));
}

}  // namespace brevane::test
