#include "stats/FairnessTests.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "cards/Cards.h"
#include "stats/ChiSquare.h"
#include "stats/EffectSize.h"
#include "stats/ExactDistributions.h"
#include "stats/GuessingTests.h"

namespace brevane {

namespace {

constexpr double PermutationCorrection = 51.0 / 52.0;

FairnessTest TooFew(std::string_view name, std::uint64_t needed) {
    FairnessTest test;
    test.name = name;
    test.neededShuffles = needed;
    return test;
}

// A chi-square test over a table that counts `observations`.
FairnessTest Ran(std::string_view name, double statistic, std::int32_t df,
                 std::uint64_t observations) {
    FairnessTest test;
    test.name = name;
    test.ran = true;
    test.statistic = statistic;
    test.df = df;
    test.p = ChiSquareUpperTail(statistic, df);
    test.verdict = Verdict::Pass;
    test.observations = observations;
    test.w = EffectW(statistic, df, observations);
    return test;
}

// A position test over `total` rows or pairs, each of which puts one count in every column;
// `extra` is the shuffles beyond the counted total (1 for the pairs) that the needed count
// includes.
FairnessTest PositionTest(std::string_view name, CellTable kind,
                          std::span<const std::array<std::uint64_t, DeckSize>> table,
                          std::uint64_t total, std::uint64_t extra) {
    const std::uint64_t rows = table.size();
    const auto needed = static_cast<std::uint64_t>(std::ceil(MinimumExpected * rows)) + extra;
    if (static_cast<double>(total) / static_cast<double>(rows) < MinimumExpected) {
        return TooFew(name, needed);
    }
    FairnessTest test = Ran(name, PositionStatistic(table, total),
                            static_cast<std::int32_t>((rows - 1) * 51), DeckSize * total);
    test.largestCell = FindLargestCell(table, total, kind);
    return test;
}

// The expected count of each cell over `total` draws: total * weight / scale.
std::vector<double> Expected(std::span<const double> weights, double scale, std::uint64_t total) {
    std::vector<double> e(weights.size());
    for (std::size_t i = 0; i < e.size(); ++i)
        e[i] = static_cast<double>(total) * weights[i] / scale;
    return e;
}

// A test of `observed` against exact cell probabilities weight / scale, with small cells merged.
// The needed count is the smallest total whose merged cells are at least two, found by
// doubling and then halving the interval (more draws never give fewer cells), plus `extra`.
FairnessTest CellTest(std::string_view name, std::span<const std::uint64_t> observed,
                      std::span<const double> weights, double scale, std::uint64_t total,
                      std::uint64_t extra) {
    const auto cells = [&](std::uint64_t t) {
        return MergeSmallCells(Expected(weights, scale, t), MinimumExpected).size();
    };
    const std::vector<double> expected = Expected(weights, scale, total);
    const std::vector<CellGroup> groups = MergeSmallCells(expected, MinimumExpected);
    if (groups.size() < 2) {
        std::uint64_t high = std::max<std::uint64_t>(total, 1);
        while (cells(high) < 2) high *= 2;
        std::uint64_t low = high / 2;  // too few cells at `low`, unless low is 0
        while (high - low > 1) {
            const std::uint64_t mid = low + (high - low) / 2;
            (cells(mid) >= 2 ? high : low) = mid;
        }
        return TooFew(name, high + extra);
    }
    const std::vector<std::uint64_t> o = SumOverGroups(observed, groups);
    const std::vector<double> e = SumOverGroups(std::span<const double>(expected), groups);
    return Ran(name, PearsonStatistic(o, e), static_cast<std::int32_t>(groups.size() - 1), total);
}

}  // namespace

bool IsGuessingTest(const FairnessTest& test) {
    return test.guessing.has_value() || test.name.starts_with("guess-");
}

std::string_view VerdictText(Verdict verdict) {
    switch (verdict) {
        case Verdict::Pass:
            return "pass";
        case Verdict::Fail:
            return "fail";
        case Verdict::Inconclusive:
            return "inconclusive";
        case Verdict::NotRun:
            return "not run";
        case Verdict::TooFewShuffles:
            break;
    }
    return "too few shuffles";
}

MissingTests TestsNotRun(const FairnessResult& result) {
    MissingTests missing;
    for (const FairnessTest& test : result.tests) {
        if (test.ran) continue;
        ++missing.count;
        missing.notRun += test.verdict == Verdict::NotRun;
        missing.neededShuffles = std::max(missing.neededShuffles, test.neededShuffles);
    }
    return missing;
}

double PositionStatistic(std::span<const std::array<std::uint64_t, DeckSize>> table,
                         std::uint64_t total) {
    const double expected = static_cast<double>(total) / static_cast<double>(table.size());
    const std::vector<double> cells(DeckSize, expected);
    double sum = 0;
    for (const auto& row : table) sum += PearsonStatistic(row, cells);
    return sum * PermutationCorrection;
}

FairnessResult RunFairnessTests(const ShuffleCounts& counts, double alpha) {
    if (!(alpha > 0 && alpha < 1)) throw std::invalid_argument("alpha must lie between 0 and 1");
    FairnessResult result;
    result.shuffles = counts.Rows();
    result.fromNewDeck = counts.FromNewDeck();
    result.alpha = alpha;
    const std::uint64_t rows = counts.Rows();
    const std::uint64_t pairs = counts.Pairs();
    // A position test over pairs needs one shuffle beyond them, unless each row is a pair.
    const std::uint64_t pairExtra = counts.FromNewDeck() ? 0 : 1;

    const CountTable cards = counts.CardPosition();
    const CountTable moves = counts.Moves();
    const auto suits = counts.SuitPosition();
    const auto ranks = counts.RankPosition();
    result.tests.push_back(PositionTest("card-position", CellTable::Cards, cards, rows, 0));
    result.tests.push_back(
        PositionTest("move-position", CellTable::Moves, moves, pairs, pairExtra));
    result.tests.push_back(PositionTest("suit-position", CellTable::Suits, suits, rows, 0));
    result.tests.push_back(PositionTest("rank-position", CellTable::Ranks, ranks, rows, 0));

    const HandCategoryTotals& totals = CategoryTotalsForStage(counts.View().stage);
    std::vector<double> handWeights(totals.counts.begin(), totals.counts.begin() + totals.cells);
    const auto hands = counts.HandCategories();
    result.tests.push_back(CellTest("hand-categories", std::span(hands.data(), totals.cells),
                                    handWeights, static_cast<double>(totals.total), rows, 0));
    result.tests.push_back(CellTest("rising-sequences", counts.RisingSequences(),
                                    RisingSequenceProbabilities(), 1.0, pairs, pairExtra));
    result.tests.push_back(CellTest("fixed-points", counts.FixedPoints(), FixedPointProbabilities(),
                                    1.0, pairs, pairExtra));
    const std::optional<GuessingCounts> guessing = counts.Guessing();
    const auto scores = [&](GuessTotals GuessingCounts::*strategy) {
        return guessing ? std::optional<GuessTotals>((*guessing).*strategy) : std::nullopt;
    };
    result.tests.push_back(
        GuessingTest("guess-position", scores(&GuessingCounts::byPosition), pairExtra));
    result.tests.push_back(
        GuessingTest("guess-follower", scores(&GuessingCounts::byFollower), pairExtra));

    std::vector<double> pValues;
    std::vector<FairnessTest*> ran;
    for (FairnessTest& test : result.tests) {
        if (!test.ran) continue;
        pValues.push_back(test.p);
        ran.push_back(&test);
    }
    const std::vector<bool> rejected = HolmRejections(pValues, alpha);
    const double level = alpha / static_cast<double>(ran.size());
    for (FairnessTest* test : ran) {
        if (test->w) test->detectsW = DetectableW(test->df, test->observations, level);
    }
    for (std::size_t i = 0; i < ran.size(); ++i) {
        if (!rejected[i]) continue;
        ran[i]->verdict = Verdict::Fail;
        result.verdict = Verdict::Fail;
    }
    if (result.verdict != Verdict::Fail && ran.size() < result.tests.size())
        result.verdict = Verdict::Inconclusive;
    return result;
}

}  // namespace brevane
