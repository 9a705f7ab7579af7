#include "stats/FairnessTests.h"

#include <gtest/gtest.h>

#include "support/LiteralGuessing.h"

#include <cmath>
#include <stdexcept>

#include "stats/ExactDistributions.h"
#include "support/LiteralStats.h"

namespace brevane {
namespace {

using literal::Row;

ShuffleCounts Count(const std::vector<Row>& rows, std::int32_t n = 10, std::int32_t seat = 0,
                    std::int32_t stage = 3) {
    ShuffleCounts counts(SeatView{n, seat, StageAt(stage)});
    const std::vector<std::uint8_t> bytes = literal::Flatten(rows);
    counts.AddRows(bytes.data(), rows.size());
    return counts;
}

// A copy, so that it may outlive a result made in the same expression.
FairnessTest Named(const FairnessResult& result, std::string_view name) {
    for (const FairnessTest& test : result.tests) {
        if (test.name == name) return test;
    }
    throw std::logic_error("no test named " + std::string(name));
}

// A(52, r) from the explicit sum A(n, r) = sum_{k=0}^{r} (-1)^k C(n + 1, k) (r - k)^n.
std::vector<long double> LiteralRisingProbabilities() {
    std::vector<long double> p(53, 0);
    const BigCount all = Factorial(52);
    for (int r = 1; r <= 52; ++r) {
        BigCount a = 0, choose = 1;
        for (int k = 0; k <= r; ++k) {
            const BigCount term = choose * boost::multiprecision::pow(BigCount(r - k), 52);
            a += k % 2 == 0 ? term : -term;
            choose = choose * (53 - k) / (k + 1);
        }
        p[r] = a.convert_to<long double>() / all.convert_to<long double>();
    }
    return p;
}

// P(k) = (1/k!) sum_{j=0}^{52-k} (-1)^j / j!.
std::vector<long double> LiteralFixedPointProbabilities() {
    std::vector<long double> p(53, 0);
    for (int k = 0; k <= 52; ++k) {
        long double sum = 0, term = 1;  // term = 1/j!
        for (int j = 0; j <= 52 - k; ++j) {
            sum += j % 2 == 0 ? term : -term;
            term /= j + 1;
        }
        p[k] = sum / std::tgamma(k + 1.0L);
    }
    return p;
}

// Pearson's test with the literal merging, as (statistic, df).
std::pair<long double, int> LiteralCellTest(const std::vector<std::uint64_t>& observed,
                                            const std::vector<long double>& p, double draws) {
    std::vector<double> e;
    for (const long double q : p) e.push_back(static_cast<double>(draws * q));
    std::vector<long double> o2, e2;
    for (const auto& [begin, end] : literal::MergeCells(e)) {
        long double so = 0, se = 0;
        for (std::size_t i = begin; i < end; ++i) {
            so += observed[i];
            se += e[i];
        }
        o2.push_back(so);
        e2.push_back(se);
    }
    return {literal::Pearson(o2, e2), static_cast<int>(o2.size()) - 1};
}

template <std::size_t Rows>
long double LiteralPosition(const std::uint64_t (&table)[Rows][52], double total) {
    std::vector<long double> o, e;
    for (std::size_t i = 0; i < Rows; ++i) {
        for (int p = 0; p < 52; ++p) {
            o.push_back(table[i][p]);
            e.push_back(total / Rows);
        }
    }
    return literal::Pearson(o, e) * 51 / 52;
}

void ExpectRan(const FairnessTest& test, long double statistic, int df) {
    ASSERT_TRUE(test.ran) << test.name;
    EXPECT_NEAR(test.statistic, statistic, 1e-9 * statistic) << test.name;
    EXPECT_EQ(test.df, df) << test.name;
    const long double p = literal::UpperTail(statistic, df);
    EXPECT_NEAR(test.p, p, 1e-9 * p) << test.name;
}

// One permutation's table has Pearson's X^2 = (rows - 1) * 52 whatever the order, so the
// corrected statistic equals the degrees of freedom exactly.
TEST(FairnessTests, OneRowGivesExactlyTheDegreesOfFreedom) {
    for (const Row& row : literal::RandomRows(5, 2)) {
        const ShuffleCounts counts = Count({row});
        EXPECT_NEAR(PositionStatistic(counts.CardPosition(), 1), 2601.0, 1e-9);
        EXPECT_NEAR(PositionStatistic(counts.SuitPosition(), 1), 153.0, 1e-9);
        EXPECT_NEAR(PositionStatistic(counts.RankPosition(), 1), 612.0, 1e-9);
    }
}

// The corrected statistic averages its df (the uncorrected one 52/51 of it, 2652 for the cards);
// the standard error of each mean here is sqrt(2 df / 400).
TEST(FairnessTests, CorrectedStatisticsAverageTheirDegreesOfFreedom) {
    double cards = 0, moves = 0, suits = 0, ranks = 0;
    const int lists = 400;
    for (int k = 0; k < lists; ++k) {
        const ShuffleCounts counts = Count(literal::RandomRows(300, 1000 + k));
        cards += PositionStatistic(counts.CardPosition(), counts.Rows()) / lists;
        moves += PositionStatistic(counts.Moves(), counts.Pairs()) / lists;
        suits += PositionStatistic(counts.SuitPosition(), counts.Rows()) / lists;
        ranks += PositionStatistic(counts.RankPosition(), counts.Rows()) / lists;
    }
    EXPECT_NEAR(cards, 2601, 16);
    EXPECT_NEAR(moves, 2601, 16);
    EXPECT_NEAR(suits, 153, 4);
    EXPECT_NEAR(ranks, 612, 8);
    EXPECT_GT(2652 - cards, 30) << "the correction makes the difference";
}

TEST(FairnessTests, StatisticsAndPValuesMatchTheLiteralComputation) {
    const std::vector<long double> rising = LiteralRisingProbabilities();
    const std::vector<long double> fixed = LiteralFixedPointProbabilities();
    for (const std::uint64_t seed : {31u, 32u}) {
        const std::vector<Row> rows = literal::RandomRows(3000, seed);
        const ShuffleCounts counts = Count(rows, 6, 2, 1);
        const FairnessResult result = RunFairnessTests(counts);
        const literal::Tables t = literal::CountLiterally(rows);
        ASSERT_EQ(result.tests.size(), 9u);
        ExpectRan(result.tests[0], LiteralPosition(t.cards, 3000), 2601);
        ExpectRan(result.tests[1], LiteralPosition(t.moves, 2999), 2601);
        ExpectRan(result.tests[2], LiteralPosition(t.suits, 3000), 153);
        ExpectRan(result.tests[3], LiteralPosition(t.ranks, 3000), 612);

        const HandCategoryTotals& flop = CategoryTotalsForStage(Stage::Flop);
        std::vector<long double> hands;
        for (const std::uint64_t c : flop.counts)
            hands.push_back(static_cast<long double>(c) / flop.total);
        const auto h = counts.HandCategories();
        const auto [hx, hdf] = LiteralCellTest({h.begin(), h.end()}, hands, 3000);
        ExpectRan(result.tests[4], hx, hdf);

        const auto [rx, rdf] = LiteralCellTest({t.rising + 1, t.rising + 53},
                                               {rising.begin() + 1, rising.end()}, 2999);
        ExpectRan(result.tests[5], rx, rdf);
        const auto [fx, fdf] = LiteralCellTest({t.fixed, t.fixed + 53}, fixed, 2999);
        ExpectRan(result.tests[6], fx, fdf);

        // The guessing tests: z of the literal game's totals.
        const GuessingCounts game = literal::Guessing(rows, false);
        const GuessTotals* totals[] = {&game.byPosition, &game.byFollower};
        for (std::size_t k = 0; k < 2; ++k) {
            const FairnessTest& test = result.tests[7 + k];
            ASSERT_TRUE(test.ran);
            const long double m = totals[k]->decks;
            const long double z = (totals[k]->correct - 0.5L - m * 4.538043950697447L) /
                                  std::sqrt(m * 2.912156927078217L);
            EXPECT_NEAR(test.statistic, static_cast<double>(z), 1e-9) << test.name;
            EXPECT_EQ(test.df, 0);
            EXPECT_EQ(test.observations, 2999u);
        }
    }
}

TEST(FairnessTests, TestsInTheirOrderWithTheirNames) {
    const FairnessResult result = RunFairnessTests(Count(literal::RandomRows(10, 1)));
    const char* names[] = {"card-position", "move-position",   "suit-position",
                           "rank-position", "hand-categories", "rising-sequences",
                           "fixed-points",  "guess-position",  "guess-follower"};
    ASSERT_EQ(result.tests.size(), 9u);
    for (std::size_t i = 0; i < 9; ++i) EXPECT_EQ(result.tests[i].name, names[i]);
    EXPECT_EQ(result.shuffles, 10u);
    EXPECT_EQ(result.alpha, DefaultAlpha);
}

TEST(FairnessTests, PositionTestsNeedFiveExpectedPerCell) {
    const std::vector<Row> rows = literal::RandomRows(261, 3);
    const struct {
        const char* name;
        std::size_t needed;
    } cases[] = {{"card-position", 260},
                 {"move-position", 261},
                 {"suit-position", 20},
                 {"rank-position", 65}};
    for (const auto& c : cases) {
        const std::vector<Row> few(rows.begin(), rows.begin() + c.needed - 1);
        const FairnessTest& tooFew = Named(RunFairnessTests(Count(few)), c.name);
        EXPECT_FALSE(tooFew.ran) << c.name;
        EXPECT_EQ(tooFew.verdict, Verdict::TooFewShuffles);
        EXPECT_EQ(tooFew.neededShuffles, c.needed) << c.name;
        const std::vector<Row> enough(rows.begin(), rows.begin() + c.needed);
        EXPECT_TRUE(Named(RunFairnessTests(Count(enough)), c.name).ran) << c.name;
    }
}

// Each merged test reports the fewest shuffles that give it two cells: one fewer is still too
// few, that many runs. At the Hole stage the pairs need 85 * 78 / 1326 = 5 expected.
TEST(FairnessTests, MergedTestsNeedTwoCells) {
    const std::vector<Row> rows = literal::RandomRows(200, 4);
    for (std::int32_t stage = 0; stage < 4; ++stage) {
        for (const char* name : {"hand-categories", "rising-sequences", "fixed-points"}) {
            const FairnessTest& first =
                Named(RunFairnessTests(Count({rows[0]}, 10, 0, stage)), name);
            ASSERT_FALSE(first.ran);
            const std::size_t needed = first.neededShuffles;
            ASSERT_GT(needed, 1u);
            ASSERT_LE(needed, rows.size());
            const std::vector<Row> few(rows.begin(), rows.begin() + needed - 1);
            const FairnessTest& tooFew = Named(RunFairnessTests(Count(few, 10, 0, stage)), name);
            EXPECT_FALSE(tooFew.ran) << name;
            EXPECT_EQ(tooFew.neededShuffles, needed) << name;
            const std::vector<Row> enough(rows.begin(), rows.begin() + needed);
            const FairnessTest& ran = Named(RunFairnessTests(Count(enough, 10, 0, stage)), name);
            EXPECT_TRUE(ran.ran) << name << " stage " << stage;
            EXPECT_GE(ran.df, 1);
            if (stage == 0 && std::string_view(name) == "hand-categories") {
                EXPECT_EQ(needed, 85u);
                EXPECT_EQ(ran.df, 1);
            }
        }
    }
}

TEST(FairnessTests, OverallVerdictFollowsHolm) {
    // Fair rows pass.
    const FairnessResult fair = RunFairnessTests(Count(literal::RandomRows(3000, 77)));
    EXPECT_EQ(fair.verdict, Verdict::Pass);
    for (const FairnessTest& test : fair.tests) EXPECT_EQ(test.verdict, Verdict::Pass) << test.name;

    // One row over and over fails everything.
    const std::vector<Row> same(300, literal::RandomRows(1, 5)[0]);
    const FairnessResult stuck = RunFairnessTests(Count(same));
    EXPECT_EQ(stuck.verdict, Verdict::Fail);
    for (const FairnessTest& test : stuck.tests)
        EXPECT_EQ(test.verdict, Verdict::Fail) << test.name;

    // The verdicts are Holm's over the p-values of the tests that ran, at the given alpha.
    for (const double alpha : {0.01, 0.5, 0.9}) {
        const FairnessResult r = RunFairnessTests(Count(literal::RandomRows(100, 6)), alpha);
        std::vector<double> p;
        for (const FairnessTest& test : r.tests) {
            if (test.ran) p.push_back(test.p);
        }
        const std::vector<bool> rejected = literal::Holm(p, alpha);
        std::size_t k = 0;
        bool anyFailed = false;
        for (const FairnessTest& test : r.tests) {
            if (!test.ran) {
                EXPECT_EQ(test.verdict, Verdict::TooFewShuffles);
                continue;
            }
            const bool rejectedHere = rejected[k++];
            EXPECT_EQ(test.verdict == Verdict::Fail, rejectedHere) << test.name;
            anyFailed = anyFailed || rejectedHere;
        }
        EXPECT_EQ(r.verdict == Verdict::Fail, anyFailed);
    }
    EXPECT_THROW(RunFairnessTests(Count(literal::RandomRows(2, 1)), 0.0), std::invalid_argument);
    EXPECT_THROW(RunFairnessTests(Count(literal::RandomRows(2, 1)), 1.0), std::invalid_argument);
}

// A continuing deck shuffled by swapping each position with any position (a known biased
// shuffle): every row looks random, but the moves from row to row do not.
TEST(FairnessTests, ABiasedShuffleShowsInTheMovesOnly) {
    std::mt19937_64 random(12);
    std::uniform_int_distribution<int> any(0, 51);
    Row deck = literal::RandomRows(1, 1)[0];
    std::vector<Row> rows;
    for (int r = 0; r < 2000; ++r) {
        for (int i = 0; i < 52; ++i) std::swap(deck[i], deck[any(random)]);
        rows.push_back(deck);
    }
    const FairnessResult result = RunFairnessTests(Count(rows));
    EXPECT_EQ(Named(result, "move-position").verdict, Verdict::Fail);
    EXPECT_LT(Named(result, "move-position").p, 1e-20);
    EXPECT_EQ(Named(result, "card-position").verdict, Verdict::Pass);
    EXPECT_EQ(result.verdict, Verdict::Fail);
}

// Rows too few for a test never pass on the other tests alone: 260 fair rows leave out
// move-position (261 needed), 100 also card-position (260) and the guessing tests (101: 100
// scored decks), and one row every test.
TEST(FairnessTests, VerdictIsInconclusiveUntilEveryTestRuns) {
    const std::vector<Row> rows = literal::RandomRows(261, 8);
    const struct {
        std::size_t rows;
        std::size_t notRun;
        std::uint64_t needed;
    } cases[] = {{1, 9, 261}, {100, 4, 261}, {260, 1, 261}};
    for (const auto& c : cases) {
        const std::vector<Row> few(rows.begin(), rows.begin() + c.rows);
        const FairnessResult result = RunFairnessTests(Count(few));
        EXPECT_EQ(result.verdict, Verdict::Inconclusive) << c.rows;
        const MissingTests missing = TestsNotRun(result);
        EXPECT_EQ(missing.count, c.notRun) << c.rows;
        EXPECT_EQ(missing.neededShuffles, c.needed) << c.rows;
        for (const FairnessTest& test : result.tests) EXPECT_NE(test.verdict, Verdict::Fail);
    }
    const FairnessResult all = RunFairnessTests(Count(rows));
    EXPECT_EQ(TestsNotRun(all).count, 0u);
    EXPECT_EQ(all.verdict, Verdict::Pass);
}

// A test that fails decides, whether or not the others ran: 100 copies of one row fail the
// suit and rank tests while card-position and move-position cannot run.
TEST(FairnessTests, AFailureOutweighsTestsThatDidNotRun) {
    const std::vector<Row> same(100, literal::RandomRows(1, 9)[0]);
    const FairnessResult result = RunFairnessTests(Count(same));
    EXPECT_FALSE(Named(result, "card-position").ran);
    EXPECT_FALSE(Named(result, "move-position").ran);
    EXPECT_EQ(Named(result, "suit-position").verdict, Verdict::Fail);
    EXPECT_EQ(result.verdict, Verdict::Fail);
}

TEST(FairnessTests, VerdictTexts) {
    EXPECT_EQ(VerdictText(Verdict::Pass), "pass");
    EXPECT_EQ(VerdictText(Verdict::Fail), "fail");
    EXPECT_EQ(VerdictText(Verdict::TooFewShuffles), "too few shuffles");
    EXPECT_EQ(VerdictText(Verdict::Inconclusive), "inconclusive");
}

}  // namespace
}  // namespace brevane
