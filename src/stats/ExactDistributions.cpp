#include "stats/ExactDistributions.h"

#include <cmath>

#include "cards/Cards.h"

namespace brevane {

namespace {

// count / total (0 < total) to within a relative 2^-63 before the final rounding: the integer
// quotient is taken with 64 bits or more to spare.
double Ratio(const BigCount& count, const BigCount& total) {
    if (count == 0) return 0;
    const int shift = static_cast<int>(boost::multiprecision::msb(total)) -
                      static_cast<int>(boost::multiprecision::msb(count)) + 64;
    const BigCount quotient = (count << shift) / total;
    return std::ldexp(quotient.convert_to<double>(), -shift);
}

template <std::size_t Size>
std::array<double, Size> Probabilities(const std::vector<BigCount>& counts, int n) {
    const BigCount total = Factorial(n);
    std::array<double, Size> p{};
    for (std::size_t i = 0; i < Size; ++i) p[i] = Ratio(counts[i], total);
    return p;
}

}  // namespace

BigCount Factorial(int n) {
    BigCount f = 1;
    for (int i = 2; i <= n; ++i) f *= i;
    return f;
}

// A(m, r) = r A(m - 1, r) + (m - r + 1) A(m - 1, r - 1), r counting ascending runs: the largest
// of m cards, put into an order of the other m - 1, keeps the number of runs at the end of a run
// (r places) and adds one anywhere else (m - r places). A permutation has as many rising
// sequences as its inverse has ascending runs, and a permutation and its inverse are equally
// likely, so both counts follow A(m, r).
std::vector<BigCount> EulerianNumbers(int n) {
    std::vector<BigCount> a(static_cast<std::size_t>(n) + 1, 0);  // a[r], r = 0..n
    a[1] = 1;
    for (int m = 2; m <= n; ++m) {
        for (int r = m; r >= 1; --r) {
            a[static_cast<std::size_t>(r)] = r * a[static_cast<std::size_t>(r)] +
                                             (m - r + 1) * a[static_cast<std::size_t>(r) - 1];
        }
    }
    return std::vector<BigCount>(a.begin() + 1, a.end());
}

// Derangements: D(0) = 1, D(1) = 0, D(m) = (m - 1) (D(m - 1) + D(m - 2)).
std::vector<BigCount> MatchingCounts(int n) {
    std::vector<BigCount> derangements(static_cast<std::size_t>(n) + 1, 0);
    derangements[0] = 1;
    for (int m = 2; m <= n; ++m) {
        derangements[static_cast<std::size_t>(m)] =
            (m - 1) * (derangements[static_cast<std::size_t>(m) - 1] +
                       derangements[static_cast<std::size_t>(m) - 2]);
    }
    std::vector<BigCount> counts(static_cast<std::size_t>(n) + 1);
    BigCount choose = 1;  // C(n, k)
    for (int k = 0; k <= n; ++k) {
        counts[static_cast<std::size_t>(k)] =
            choose * derangements[static_cast<std::size_t>(n - k)];
        choose = choose * (n - k) / (k + 1);
    }
    return counts;
}

const std::array<double, DeckSize>& RisingSequenceProbabilities() {
    static const std::array<double, DeckSize> p =
        Probabilities<DeckSize>(EulerianNumbers(DeckSize), DeckSize);
    return p;
}

const std::array<double, 53>& FixedPointProbabilities() {
    static const std::array<double, 53> p = Probabilities<53>(MatchingCounts(DeckSize), DeckSize);
    return p;
}

const HandCategoryTotals& CategoryTotalsForStage(Stage stage) {
    // High Card, Pair, Two Pair, Three of a Kind, Straight, Flush, Full House, Four of a Kind,
    // Straight Flush, Royal Flush.
    static const HandCategoryTotals totals[4] = {
        {1326, {1248, 78, 0, 0, 0, 0, 0, 0, 0, 0}, 2},
        {2598960, {1302540, 1098240, 123552, 54912, 10200, 5108, 3744, 624, 36, 4}, 10},
        {20358520,
         {6612900, 9730740, 2532816, 732160, 361620, 205792, 165984, 14664, 1656, 188},
         10},
        {133784560,
         {23294460, 58627800, 31433400, 6461620, 6180020, 4047644, 3473184, 224848, 37260, 4324},
         10},
    };
    return totals[static_cast<std::size_t>(stage)];
}

}  // namespace brevane
