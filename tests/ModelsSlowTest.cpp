// The biased and the riffle models against their exact distributions, over many rows. Every
// check fails by chance less than once in a million runs (Bonferroni over the checks of a test).
#include <gtest/gtest.h>

#include <array>
#include <boost/multiprecision/cpp_int.hpp>
#include <cmath>
#include <cstdint>
#include <vector>

#include "support/ModelLaws.h"

namespace brevane {
namespace {

using boost::multiprecision::cpp_int;

using test::ExpectFit;
using test::ExpectProportion;
using test::FalseFailureRate;
using test::ForEachRow;

ShuffleModel Model(ShuffleModelKind kind, std::int32_t k = 0) {
    return {kind, k};
}

// The chance that naive-swap takes the card starting at position `from` to position `to`,
// worked out by following the card's position through the 52 swaps.
double NaiveSwapChance(int from, int to) {
    std::array<double, 52> at{};
    at[from] = 1;
    for (int i = 0; i < 52; ++i) {
        std::array<double, 52> next{};
        for (int p = 0; p < 52; ++p) {
            if (p == i) {
                for (int r = 0; r < 52; ++r) next[r] += at[p] / 52;
            } else {
                next[p] += at[p] * 51 / 52;
                next[i] += at[p] / 52;
            }
        }
        at = next;
    }
    return at[to];
}

void CheckNaiveSwapCells(bool fromNewDeck) {
    // Over one shuffle: the card that was at position 1 (or 51) lies at position 0 afterwards.
    constexpr std::size_t Rows = 1'000'000;
    std::uint64_t fromOne = 0, fromLast = 0;
    ForEachRow(Model(ShuffleModelKind::NaiveSwap), fromNewDeck, Rows,
               [&](const std::uint8_t* before, const std::uint8_t* row) {
                   fromOne += row[0] == before[1];
                   fromLast += row[0] == before[51];
               });
    ExpectProportion(fromOne, Rows, 0.026004, FalseFailureRate / 2, "from position 1");
    ExpectProportion(fromLast, Rows, 0.014287, FalseFailureRate / 2, "from position 51");
}

TEST(ModelsSlowTest, NaiveSwapChancesWorkedOutAgreeWithThePublishedOnes) {
    EXPECT_NEAR(NaiveSwapChance(1, 0), 0.026004, 5e-7);
    EXPECT_NEAR(NaiveSwapChance(51, 0), 0.014287, 5e-7);
    double column = 0;
    for (int from = 0; from < 52; ++from) column += NaiveSwapChance(from, 0);
    EXPECT_NEAR(column, 1.0, 1e-12);
}

TEST(ModelsSlowTest, NaiveSwapFromANewDeckFavoursTheSecondCardOnTop) {
    CheckNaiveSwapCells(true);
}

TEST(ModelsSlowTest, NaiveSwapContinuingShowsTheSameBiasBetweenRows) {
    CheckNaiveSwapCells(false);
}

TEST(ModelsSlowTest, ByteModuloFromANewDeckLastPositionFollowsTheByteRemainders) {
    // 256 = 4 * 52 + 48: the remainders 0 to 47 come from five byte values each, 48 to 51 from
    // four. The last position is swapped only by the first draw.
    constexpr std::size_t Rows = 1'000'000;
    std::vector<std::uint64_t> counts(52);
    ForEachRow(Model(ShuffleModelKind::ByteModulo), true, Rows,
               [&](const std::uint8_t*, const std::uint8_t* row) { ++counts[row[51] - 1]; });
    std::vector<double> p(52);
    for (int start = 0; start < 52; ++start) p[start] = (start < 48 ? 5.0 : 4.0) / 256;
    ExpectFit(counts, p, FalseFailureRate, "last position");
    std::uint64_t high = 0;
    for (int start = 48; start < 52; ++start) high += counts[start];
    EXPECT_LT(static_cast<double>(high) / Rows, 4.0 / 52) << "the last four starts are too common";
}

constexpr int Cards = 52;

// A(52, r), the number of permutations of 52 with r rising sequences (Eulerian numbers), by
// rows: A(n, r) = r A(n - 1, r) + (n - r + 1) A(n - 1, r - 1).
std::vector<cpp_int> Eulerian() {
    std::vector<cpp_int> a(Cards + 2, 0);
    a[1] = 1;
    for (int n = 2; n <= Cards; ++n) {
        for (int r = n; r >= 1; --r) a[r] = r * a[r] + (n - r + 1) * a[r - 1];
    }
    return a;
}

// a / b to double precision; both stay far inside the range of a double here.
double Ratio(const cpp_int& a, const cpp_int& b) {
    return a.convert_to<double>() / b.convert_to<double>();
}

cpp_int Factorial(int n) {
    cpp_int f = 1;
    for (int j = 2; j <= n; ++j) f *= j;
    return f;
}

// The law of the rising sequences of a uniform permutation: A(52, r) / 52!.
std::vector<double> UniformRisingSequenceLaw() {
    const std::vector<cpp_int> a = Eulerian();
    std::vector<double> law(Cards + 1, 0.0);
    for (int r = 1; r <= Cards; ++r) law[r] = Ratio(a[r], Factorial(Cards));
    return law;
}

// The exact law of the number of rising sequences after k riffles of 52 cards:
// P(r) = A(52, r) C(2^k + 52 - r, 52) / 2^(52k).
std::vector<double> RisingSequenceLaw(int k) {
    const std::vector<cpp_int> a = Eulerian();
    cpp_int all = 0;
    for (int r = 1; r <= Cards; ++r) all += a[r];
    EXPECT_EQ(all, Factorial(Cards));

    const cpp_int decks = cpp_int(1) << k;
    const cpp_int outcomes = cpp_int(1) << (Cards * k);
    const auto choose = [](const cpp_int& m, int n) {
        if (m < n) return cpp_int(0);
        cpp_int c = 1;
        for (int j = 1; j <= n; ++j) c = c * (m - n + j) / j;
        return c;
    };
    std::vector<double> law(Cards + 1, 0.0);
    cpp_int total = 0;
    for (int r = 1; r <= Cards; ++r) {
        const cpp_int ways = a[r] * choose(decks + Cards - r, Cards);
        total += ways;
        law[r] = Ratio(ways, outcomes);
    }
    EXPECT_EQ(total, outcomes) << "the law must sum to 1 exactly";
    return law;
}

// Rising sequences of `row` relative to `before`: one plus the number of cards x of the
// earlier order whose successor x + 1 lies at an earlier position.
int RisingSequences(const std::uint8_t* before, const std::uint8_t* row, int* firstLength) {
    std::array<int, 53> position{};
    for (int k = 0; k < 52; ++k) position[row[k]] = k;
    int sequences = 1;
    *firstLength = 52;
    for (int x = 0; x + 1 < 52; ++x) {
        if (position[before[x + 1]] < position[before[x]]) {
            if (sequences == 1) *firstLength = x + 1;
            ++sequences;
        }
    }
    return sequences;
}

void CheckRiffles(int k, std::size_t rows) {
    std::vector<std::uint64_t> counts(53);
    std::vector<std::uint64_t> firstLengths(53);
    ForEachRow(Model(ShuffleModelKind::Riffle, k), false, rows,
               [&](const std::uint8_t* before, const std::uint8_t* row) {
                   int first = 0;
                   ++counts[RisingSequences(before, row, &first)];
                   ++firstLengths[first];
               });
    if (k > 1) {
        ExpectFit(counts, RisingSequenceLaw(k), FalseFailureRate, "rising sequences");
        return;
    }
    // One riffle gives at most two rising sequences, and all but surely exactly two, so their
    // count leaves a single cell to test. The length of the first one says more: every
    // interleaving of a cut at c other than the unchanged deck has chance 1 / 2^52, and there
    // are C(52, c) - 1 of them; the unchanged deck (length 52) has chance 53 / 2^52.
    const std::vector<double> law = RisingSequenceLaw(1);
    for (int r = 3; r <= Cards; ++r) {
        EXPECT_EQ(law[r], 0.0);
        EXPECT_EQ(counts[r], 0u) << r << " rising sequences after one riffle";
    }
    std::vector<double> lengthLaw(53, 0.0);
    cpp_int ways = 1;
    const cpp_int outcomes = cpp_int(1) << 52;
    for (int c = 1; c <= 51; ++c) {
        ways = ways * (52 - c + 1) / c;
        lengthLaw[c] = Ratio(ways - 1, outcomes);
    }
    lengthLaw[52] = Ratio(53, outcomes);
    ExpectFit(firstLengths, lengthLaw, FalseFailureRate, "first rising sequence");
}

TEST(ModelsSlowTest, RisingSequenceLawGivesThePublishedDistancesFromUniform) {
    // The chance of a deck after k riffles depends only on its rising sequences, so the total
    // variation distance from uniform is half the sum over r of |P(r) - A(52, r) / 52!|. Bayer
    // and Diaconis (1992) give it to three places for k = 1 to 10.
    const double published[] = {1.000, 1.000, 1.000, 1.000, 0.924,
                                0.614, 0.334, 0.167, 0.085, 0.043};
    const std::vector<double> uniform = UniformRisingSequenceLaw();
    for (int k = 1; k <= 10; ++k) {
        const std::vector<double> law = RisingSequenceLaw(k);
        double distance = 0;
        for (int r = 1; r <= 52; ++r) distance += std::abs(law[r] - uniform[r]) / 2;
        EXPECT_NEAR(distance, published[k - 1], 0.0005) << k << " riffles";
    }
}

TEST(ModelsSlowTest, OneRiffle) {
    CheckRiffles(1, 400'000);
}

TEST(ModelsSlowTest, TwoRiffles) {
    CheckRiffles(2, 600'000);
}

TEST(ModelsSlowTest, ThreeRiffles) {
    CheckRiffles(3, 400'000);
}

TEST(ModelsSlowTest, SevenRiffles) {
    CheckRiffles(7, 200'000);
}

}  // namespace
}  // namespace brevane
