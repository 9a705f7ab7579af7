#include "stats/ExactDistributions.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/HandSets.h"

namespace brevane {
namespace {

std::vector<BigCount> Big(std::initializer_list<int> values) {
    return std::vector<BigCount>(values.begin(), values.end());
}

BigCount Sum(const std::vector<BigCount>& values) {
    BigCount sum = 0;
    for (const BigCount& v : values) sum += v;
    return sum;
}

// Published rows of the Eulerian triangle.
TEST(ExactDistributions, EulerianNumbers) {
    EXPECT_EQ(EulerianNumbers(1), Big({1}));
    EXPECT_EQ(EulerianNumbers(4), Big({1, 11, 11, 1}));
    EXPECT_EQ(EulerianNumbers(7), Big({1, 120, 1191, 2416, 1191, 120, 1}));

    const std::vector<BigCount> a = EulerianNumbers(52);
    ASSERT_EQ(a.size(), 52u);
    EXPECT_EQ(Sum(a), Factorial(52));
    EXPECT_EQ(a[0], 1);
    EXPECT_EQ(a[1], (BigCount(1) << 52) - 53);  // A(n, 2) = 2^n - n - 1
    for (std::size_t r = 0; r < 52; ++r) EXPECT_EQ(a[r], a[51 - r]);
    EXPECT_EQ(Factorial(52),
              BigCount("80658175170943878571660636856403766975289505440883277824000000000000"));
}

// k fixed points among n: 4 cards give 9, 8, 6, 0, 1.
TEST(ExactDistributions, MatchingCounts) {
    EXPECT_EQ(MatchingCounts(4), Big({9, 8, 6, 0, 1}));
    EXPECT_EQ(MatchingCounts(1), Big({0, 1}));
    const std::vector<BigCount> m = MatchingCounts(52);
    EXPECT_EQ(Sum(m), Factorial(52));
    EXPECT_EQ(m[51], 0);
    EXPECT_EQ(m[52], 1);
    EXPECT_EQ(m[0], m[1] + 1);  // D(52) = 52 D(51) + 1, and m[1] = 52 D(51)
}

TEST(ExactDistributions, ProbabilitiesAreTheExactRatios) {
    const auto& rising = RisingSequenceProbabilities();
    const auto& fixed = FixedPointProbabilities();
    double sumR = 0, sumF = 0, meanR = 0, meanF = 0, varianceR = 0;
    for (int r = 1; r <= 52; ++r) {
        sumR += rising[r - 1];
        meanR += r * rising[r - 1];
    }
    for (int r = 1; r <= 52; ++r) varianceR += (r - meanR) * (r - meanR) * rising[r - 1];
    for (int k = 0; k <= 52; ++k) {
        sumF += fixed[k];
        meanF += k * fixed[k];
    }
    EXPECT_NEAR(sumR, 1.0, 1e-15);
    EXPECT_NEAR(sumF, 1.0, 1e-15);
    // Rising sequences of a random permutation of n: mean (n + 1) / 2, variance (n + 1) / 12.
    EXPECT_NEAR(meanR, 26.5, 1e-12);
    EXPECT_NEAR(varianceR, 53.0 / 12.0, 1e-12);
    // Fixed points: mean 1; P(0) and P(1) are 1/e to many digits, P(k) about e^-1 / k!.
    EXPECT_NEAR(meanF, 1.0, 1e-14);
    EXPECT_NEAR(fixed[0], std::exp(-1.0), 1e-16);
    EXPECT_NEAR(fixed[5], std::exp(-1.0) / 120, 1e-16);
    // The smallest values keep their relative precision.
    const double oneIn52Factorial = 1.0 / 8.0658175170943878571660636856403766975289505440883e67;
    EXPECT_DOUBLE_EQ(rising[0], oneIn52Factorial);
    EXPECT_DOUBLE_EQ(rising[51], oneIn52Factorial);
    EXPECT_DOUBLE_EQ(rising[1], 4503599627370443.0 * oneIn52Factorial);  // 2^52 - 53
    EXPECT_DOUBLE_EQ(fixed[52], oneIn52Factorial);
    EXPECT_EQ(fixed[51], 0.0);
    EXPECT_DOUBLE_EQ(fixed[50], 1326 * oneIn52Factorial);  // C(52, 2) sets of two swapped cards
}

TEST(ExactDistributions, HandCategoryTotalsArePublishedCounts) {
    const std::uint64_t sets[4] = {1326, 2598960, 20358520, 133784560};  // C(52, 2, 5, 6, 7)
    // Two cards: 13 ranks times C(4, 2) pairs.
    EXPECT_EQ(CategoryTotalsForStage(Stage::Hole).counts[1], 13u * 6u);
    const int cards[4] = {2, 5, 6, 7};
    for (std::int32_t stage = 0; stage < 4; ++stage) {
        const HandCategoryTotals& t = CategoryTotalsForStage(StageAt(stage));
        EXPECT_EQ(t.total, sets[stage]);
        std::uint64_t sum = 0;
        for (std::uint64_t c : t.counts) sum += c;
        EXPECT_EQ(sum, t.total);
        if (stage > 0) {
            EXPECT_EQ(t.counts, test::PublishedReportCounts(cards[stage])) << "stage " << stage;
        }
        EXPECT_EQ(t.cells, stage == 0 ? 2u : 10u);
    }
}

}  // namespace
}  // namespace brevane
