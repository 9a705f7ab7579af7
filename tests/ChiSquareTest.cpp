#include "stats/ChiSquare.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "support/LiteralStats.h"

namespace brevane {
namespace {

std::vector<CellGroup> Groups(std::initializer_list<std::pair<std::size_t, std::size_t>> list) {
    std::vector<CellGroup> groups;
    for (const auto& [begin, end] : list) groups.push_back({begin, end});
    return groups;
}

TEST(ChiSquare, PearsonStatisticByHand) {
    const std::vector<std::uint64_t> o{10, 20, 30};
    const std::vector<double> e{20, 20, 20};
    EXPECT_DOUBLE_EQ(PearsonStatistic(o, e), 10.0);  // (100 + 0 + 100) / 20
    const std::vector<std::uint64_t> hole{1240, 86};
    const std::vector<double> holeExpected{1248, 78};
    EXPECT_DOUBLE_EQ(PearsonStatistic(hole, holeExpected), 64.0 / 1248 + 64.0 / 78);
}

// Closed forms: df 1 gives erfc(sqrt(x/2)), df 2 gives e^(-x/2), df 4 e^(-x/2) (1 + x/2).
TEST(ChiSquare, UpperTailAgainstClosedForms) {
    for (const double x : {0.01, 0.5, 1.0, 3.84, 10.0, 50.0, 300.0}) {
        EXPECT_NEAR(ChiSquareUpperTail(x, 1), std::erfc(std::sqrt(x / 2)),
                    1e-14 * std::erfc(std::sqrt(x / 2)))
            << x;
        EXPECT_NEAR(ChiSquareUpperTail(x, 2), std::exp(-x / 2), 1e-14 * std::exp(-x / 2)) << x;
        const double four = std::exp(-x / 2) * (1 + x / 2);
        EXPECT_NEAR(ChiSquareUpperTail(x, 4), four, 1e-14 * four) << x;
    }
    EXPECT_NEAR(ChiSquareUpperTail(3.841458820694124, 1), 0.05, 1e-15);
    EXPECT_NEAR(ChiSquareUpperTail(6.634896601021214, 1), 0.01, 1e-15);
    EXPECT_EQ(ChiSquareUpperTail(0, 5), 1.0);
    // Deep in the tail, where 1 - cdf would give 0: e^-700 and e^-740 (a subnormal double).
    EXPECT_NEAR(ChiSquareUpperTail(1400, 2) / std::exp(-700.0), 1.0, 1e-12);
    // A subnormal keeps only a few bits: 4.2e-322 is 85 steps of the smallest double.
    EXPECT_NEAR(ChiSquareUpperTail(1480, 2) / std::exp(-740.0), 1.0, 0.025);
    EXPECT_GT(ChiSquareUpperTail(1480, 2), 0.0);
}

TEST(ChiSquare, UpperTailAgainstTheLiteralSums) {
    std::mt19937_64 random(3);
    for (const int df : {1, 7, 8, 153, 612, 2601}) {
        std::normal_distribution<double> around(df, 3 * std::sqrt(2.0 * df));
        for (int k = 0; k < 20; ++k) {
            const double x = std::max(0.1, around(random));
            const long double want = literal::UpperTail(x, df);
            EXPECT_NEAR(ChiSquareUpperTail(x, df), want, 1e-12 * want) << "df " << df << " x " << x;
        }
    }
}

TEST(ChiSquare, CellsThatExpectEnoughStayApart) {
    const std::vector<double> e{5, 9, 30, 5};
    EXPECT_EQ(MergeSmallCells(e), Groups({{0, 1}, {1, 2}, {2, 3}, {3, 4}}));
    EXPECT_TRUE(MergeSmallCells(std::vector<double>{}).empty());
}

TEST(ChiSquare, SmallCellsMergeFromTheEndsInward) {
    // Gathered from both ends until 5: 1 + 2 + 3 and 3 + 2 + 1.
    EXPECT_EQ(MergeSmallCells(std::vector<double>{1, 2, 3, 10, 3, 2, 1}),
              Groups({{0, 3}, {3, 4}, {4, 7}}));
    // Leftovers join the most likely cell: 4 + 2 closes, 1 is left; 6 closes, 1 is left.
    EXPECT_EQ(MergeSmallCells(std::vector<double>{4, 2, 1, 20, 1, 6}),
              Groups({{0, 2}, {2, 5}, {5, 6}}));
    // The first of two largest cells is the most likely one.
    EXPECT_EQ(MergeSmallCells(std::vector<double>{2, 7, 7, 2}), Groups({{0, 2}, {2, 4}}));
    // The most likely cell at an end.
    EXPECT_EQ(MergeSmallCells(std::vector<double>{10, 3, 1, 1}), Groups({{0, 1}, {1, 4}}));
    EXPECT_EQ(MergeSmallCells(std::vector<double>{10, 3, 1}), Groups({{0, 3}}));
    EXPECT_EQ(MergeSmallCells(std::vector<double>{1, 3, 10}), Groups({{0, 3}}));
}

TEST(ChiSquare, AMiddleCellBelowFiveJoinsItsLargerNeighbour) {
    // 4 with the leftover 0.5 expects 4.5: it joins 3 + 2.5 = 5.5 on the right, not 2 + 3 = 5.
    EXPECT_EQ(MergeSmallCells(std::vector<double>{2, 3, 4, 0.5, 3, 2.5}), Groups({{0, 2}, {2, 6}}));
    // Equal neighbours: the earlier one.
    EXPECT_EQ(MergeSmallCells(std::vector<double>{2, 3, 4, 0.5, 3, 2}), Groups({{0, 4}, {4, 6}}));
    // Everything together still below 5: one cell.
    EXPECT_EQ(MergeSmallCells(std::vector<double>{1, 1, 1}), Groups({{0, 3}}));
    EXPECT_EQ(MergeSmallCells(std::vector<double>{0.5}), Groups({{0, 1}}));
}

TEST(ChiSquare, MergingMatchesTheLiteralRulesOnRandomCells) {
    std::mt19937_64 random(8);
    std::uniform_int_distribution<int> size(1, 40);
    std::exponential_distribution<double> cell(0.4);
    for (int k = 0; k < 2000; ++k) {
        std::vector<double> e(static_cast<std::size_t>(size(random)));
        for (double& v : e) v = cell(random);
        std::vector<std::pair<std::size_t, std::size_t>> got;
        for (const CellGroup& g : MergeSmallCells(e)) got.push_back({g.begin, g.end});
        ASSERT_EQ(got, literal::MergeCells(e)) << "case " << k;
    }
}

TEST(ChiSquare, SumsOverGroups) {
    const std::vector<std::uint64_t> o{1, 2, 3, 4, 5};
    EXPECT_EQ(SumOverGroups(std::span<const std::uint64_t>(o), Groups({{0, 2}, {2, 3}, {3, 5}})),
              (std::vector<std::uint64_t>{3, 3, 9}));
}

TEST(ChiSquare, HolmStepDown) {
    // Sorted: 0.001 <= 0.05/4, 0.005 <= 0.05/3, then 0.03 > 0.05/2 stops the walk.
    EXPECT_EQ(HolmRejections(std::vector<double>{0.001, 0.04, 0.03, 0.005}, 0.05),
              (std::vector<bool>{true, false, false, true}));
    // Everything small enough: all rejected, the largest against alpha itself.
    EXPECT_EQ(HolmRejections(std::vector<double>{0.01, 0.02, 0.03}, 0.05),
              (std::vector<bool>{true, true, true}));
    // The smallest fails its bound 0.05/3, so nothing is rejected though 0.021 < 0.05/2.
    EXPECT_EQ(HolmRejections(std::vector<double>{0.02, 0.021, 0.9}, 0.05),
              (std::vector<bool>{false, false, false}));
    // A p-value exactly at its bound is rejected.
    EXPECT_EQ(HolmRejections(std::vector<double>{0.025, 0.5}, 0.05),
              (std::vector<bool>{true, false}));
    EXPECT_TRUE(HolmRejections(std::vector<double>{}, 0.01).empty());

    std::mt19937_64 random(4);
    std::uniform_real_distribution<double> p(0, 0.05);
    for (int k = 0; k < 500; ++k) {
        std::vector<double> ps(7);
        for (double& v : ps) v = p(random);
        ASSERT_EQ(HolmRejections(ps, 0.01), literal::Holm(ps, 0.01)) << k;
    }
}

}  // namespace
}  // namespace brevane
