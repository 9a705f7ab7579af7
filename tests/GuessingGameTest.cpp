#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "guessing/GuessingRun.h"
#include "models/ShuffleRows.h"
#include "stats/FairnessTests.h"
#include "stats/GuessingTests.h"
#include "stats/ShuffleCounts.h"
#include "support/LiteralGuessing.h"

namespace brevane {
namespace {

using literal::Row;

std::vector<Row> ModelRows(const std::string& modelText, GeneratorKey key, bool fromNewDeck,
                           std::size_t count) {
    ModelParseFailure failure{};
    const auto model = ParseShuffleModel(modelText, failure);
    if (!model) throw std::invalid_argument("bad model " + modelText);
    ShuffleGenerator generator;
    generator.SetKey(key);
    std::vector<std::uint8_t> bytes(count * DeckSize);
    Row start{};
    for (std::size_t p = 0; p < DeckSize; ++p) start[p] = static_cast<std::uint8_t>(p + 1);
    MakeModelRows(*model, fromNewDeck, generator, start.data(), bytes.data(), count);
    std::vector<Row> rows(count);
    for (std::size_t r = 0; r < count; ++r)
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(r * DeckSize), DeckSize,
                    rows[r].begin());
    return rows;
}

// Feeds `rows` to `add` in batches of the sizes given, cycling through them.
template <class Add>
void FeedInBatches(const std::vector<Row>& rows, const std::vector<std::size_t>& sizes,
                   const Add& add) {
    std::vector<std::uint8_t> batch;
    std::size_t r = 0;
    for (std::size_t k = 0; r < rows.size(); ++k) {
        const std::size_t take = std::min(sizes[k % sizes.size()], rows.size() - r);
        batch.clear();
        for (std::size_t i = r; i < r + take; ++i)
            batch.insert(batch.end(), rows[i].begin(), rows[i].end());
        add(batch.data(), take);
        r += take;
    }
}

struct Case {
    const char* model;
    GeneratorKey key;
    bool fromNewDeck;
};

const Case Cases[] = {
    {"shelf:10", GeneratorKey{1, 2}, true},     {"shelf:10", GeneratorKey{3, 4}, false},
    {"riffle:4", GeneratorKey{5, 6}, true},     {"riffle:4", GeneratorKey{7, 8}, false},
    {"naive-swap", GeneratorKey{9}, false},     {"fisher-yates", GeneratorKey{10}, true},
    {"top-to-random", GeneratorKey{11}, false},
};

std::string Name(const Case& c) {
    return std::string(c.model) + (c.fromNewDeck ? " from a new deck" : " continuing");
}

// 1300 rows: five blocks and part of a sixth, so the block rule decides which earlier pairs
// teach each guess.
constexpr std::size_t CaseRows = 1300;

TEST(GuessingGame, CountsGuessAsTheLiteralDefinitionDoesInAnyBatches) {
    for (const Case& c : Cases) {
        const auto rows = ModelRows(c.model, c.key, c.fromNewDeck, CaseRows);
        const GuessingCounts expected = literal::Guessing(rows, c.fromNewDeck);
        EXPECT_EQ(expected.byPosition.decks, c.fromNewDeck ? CaseRows : CaseRows - 1);
        ShuffleCounts counts(SeatView{}, 0, c.fromNewDeck);
        FeedInBatches(rows, {1, 255, 7, 300, 2},
                      [&](const std::uint8_t* b, std::size_t n) { counts.AddRows(b, n); });
        ASSERT_TRUE(counts.Guessing()) << Name(c);
        EXPECT_EQ(*counts.Guessing(), expected) << Name(c);
        EXPECT_EQ(counts.Pairs(), expected.byPosition.decks) << Name(c);
    }
}

TEST(GuessingGame, EveryThreadCountAndWindowGivesTheLiteralScores) {
    for (const Case& c : Cases) {
        const auto rows = ModelRows(c.model, c.key, c.fromNewDeck, CaseRows);
        const GuessingCounts expected = literal::Guessing(rows, c.fromNewDeck);
        for (const unsigned threads : {1u, 2u, 3u, 7u}) {
            // One block per part makes windows of a block or a few, so that the rows cross
            // several windows, scored while the next are gathered, and parts; 256 puts them all
            // in the last, partial window. A busy caller leaves one thread fewer to score: with
            // two threads, one part whose strategies are scored apart.
            for (const std::size_t blocksPerPart : {std::size_t{1}, std::size_t{256}}) {
                for (const bool callerBusy : {false, true}) {
                    GuessingRun run(c.fromNewDeck, threads, blocksPerPart, callerBusy);
                    FeedInBatches(rows, {3, 1000, 1},
                                  [&](const std::uint8_t* b, std::size_t n) { run.AddRows(b, n); });
                    EXPECT_EQ(run.Finish(), expected)
                        << Name(c) << " on " << threads << " threads, " << blocksPerPart
                        << (callerBusy ? ", caller busy" : "");
                }
            }
        }
    }
}

// Ties go to the smaller origin: with empty tables the first 256 decks are guessed in origin
// order, so a deck that is the new deck itself is guessed right at every position.
TEST(GuessingGame, EmptyTablesGuessTheSmallestOriginNotShown) {
    std::vector<Row> rows(3);
    for (std::size_t p = 0; p < DeckSize; ++p) {
        rows[0][p] = static_cast<std::uint8_t>(p + 1);   // the new deck
        rows[1][p] = static_cast<std::uint8_t>(52 - p);  // reversed
        rows[2][p] = rows[0][p];
    }
    ShuffleCounts counts(SeatView{}, 0, true);
    for (const Row& row : rows) counts.AddRow(row.data());
    const GuessingCounts guessing = *counts.Guessing();
    // The new deck: 52 right. Reversed: wrong until only one card is left, then right. Both
    // strategies agree while the tables are empty.
    EXPECT_EQ(guessing.byPosition.correct, 52u + 1u + 52u);
    EXPECT_EQ(guessing.byPosition.squares, 52u * 52u + 1u + 52u * 52u);
    EXPECT_EQ(guessing.byFollower, guessing.byPosition);
    EXPECT_EQ(guessing, literal::Guessing(rows, true));
}

// The 257th pair is the first guessed from a table: after 256 pairs that all repeat one order,
// both strategies name every card of that order.
TEST(GuessingGame, TheBlockRuleTeachesFromWholeBlocksOnly) {
    Row reversed{};
    for (std::size_t p = 0; p < DeckSize; ++p) reversed[p] = static_cast<std::uint8_t>(52 - p);
    std::vector<Row> rows(GuessBlockPairs + 1, reversed);
    ShuffleCounts counts(SeatView{}, 0, true);
    for (const Row& row : rows) counts.AddRow(row.data());
    const GuessingCounts guessing = *counts.Guessing();
    EXPECT_EQ(guessing.byPosition.correct, GuessBlockPairs * 1 + 52);
    EXPECT_EQ(guessing.byFollower.correct, GuessBlockPairs * 1 + 52);
    EXPECT_EQ(guessing, literal::Guessing(rows, true));
}

// Tables whose counts are past what a packed sort key holds order the origins as the same
// tables lowered by a constant do: the same guesses, so the same scores.
TEST(GuessingGame, HugeLearnedCountsGuessAsSmallOnes) {
    const auto learnedRows = ModelRows("riffle:2", GeneratorKey{12}, true, 2 * GuessBlockPairs);
    GuessTables small;
    std::uint8_t origins[DeckSize];
    for (const Row& row : learnedRows) {
        PairOrigins(NewDeckPositions.data(), row.data(), origins);
        small.AddPair(origins);
    }
    GuessTables huge = small;
    const std::uint64_t lift = std::uint64_t{1} << 60;
    for (auto& row : huge.positions)
        for (auto& count : row) count += lift;
    for (auto& row : huge.followers)
        for (auto& count : row) count += lift;
    GuessScorer fromSmall(2 * GuessBlockPairs, small);
    GuessScorer fromHuge(lift, huge);
    // And tables that pass the packed key's limit at the second block boundary of the run,
    // after one boundary below it.
    const std::uint64_t nearLift = (std::uint64_t{1} << 57) - 4 * GuessBlockPairs;
    GuessTables near = small;
    for (auto& row : near.positions)
        for (auto& count : row) count += nearLift;
    for (auto& row : near.followers)
        for (auto& count : row) count += nearLift;
    GuessScorer fromNear(nearLift + 2 * GuessBlockPairs, near);
    const auto scored = ModelRows("riffle:2", GeneratorKey{13}, true, 2 * GuessBlockPairs + 10);
    for (const Row& row : scored) {
        PairOrigins(NewDeckPositions.data(), row.data(), origins);
        fromSmall.ScorePair(origins);
        fromHuge.ScorePair(origins);
        fromNear.ScorePair(origins);
    }
    EXPECT_EQ(fromHuge.ByPosition(), fromSmall.ByPosition());
    EXPECT_EQ(fromHuge.ByFollower(), fromSmall.ByFollower());
    EXPECT_EQ(fromNear.ByPosition(), fromSmall.ByPosition());
    EXPECT_EQ(fromNear.ByFollower(), fromSmall.ByFollower());
    // What was learned is kept exactly across the limit.
    GuessTables learned = fromSmall.Learned();
    for (auto& row : learned.positions)
        for (auto& count : row) count += nearLift;
    for (auto& row : learned.followers)
        for (auto& count : row) count += nearLift;
    EXPECT_EQ(fromNear.Learned(), learned);
    // Two riffles from a new deck are far from fair: the tables did guide the guesses.
    EXPECT_GT(fromSmall.ByFollower().correct, 8 * scored.size());
}

// Parts of a run counted apart defer their guessing; adding them up keeps no score that the
// parts did not all have.
TEST(GuessingGame, DeferredPartsHaveNoScoreUntilTheRunGivesIt) {
    const auto rows = ModelRows("riffle:2", GeneratorKey{12}, false, 600);
    ShuffleCounts first(SeatView{}, 0);
    ShuffleCounts second(SeatView{}, 300);
    second.DeferGuessing();
    for (std::size_t r = 0; r < rows.size(); ++r) (r < 300 ? first : second).AddRow(rows[r].data());
    EXPECT_TRUE(first.Guessing());
    EXPECT_FALSE(second.Guessing());
    first.Merge(second);
    EXPECT_FALSE(first.Guessing());
    const GuessingCounts whole = literal::Guessing(rows, false);
    first.SetGuessing(whole);
    EXPECT_EQ(*first.Guessing(), whole);
    const FairnessResult result = RunFairnessTests(first);
    EXPECT_TRUE(result.tests[7].ran);
    EXPECT_EQ(result.tests[7].name, "guess-position");
}

// The exact law: a score of exactly M H + 0.5 gives z = 0; the figure's interval comes from the
// per-deck spread.
TEST(GuessingGame, StatisticAndFigureFollowTheExactLaw) {
    GuessTotals totals;
    for (int d = 0; d < 200; ++d) totals.AddDeck(d % 2 == 0 ? 4 : 6);
    const FairnessTest test = GuessingTest("guess-position", totals, 1);
    ASSERT_TRUE(test.ran);
    EXPECT_NEAR(test.statistic, (1000 - 0.5 - 200 * 4.5380440) / std::sqrt(200 * 2.9121569), 1e-5);
    EXPECT_NEAR(test.p, 0.5 * std::erfc(test.statistic / std::sqrt(2.0)), 1e-12);
    ASSERT_TRUE(test.guessing);
    EXPECT_DOUBLE_EQ(test.guessing->mean, 5.0);
    // Per-deck sd: sqrt(200 / 199); half-width 1.96 sd / sqrt(200).
    EXPECT_NEAR(test.guessing->halfWidth, 1.959964 * std::sqrt(200.0 / 199) / std::sqrt(200.0),
                1e-6);
    EXPECT_NEAR(FairGuessesPerDeck, 4.5380, 5e-5);
    EXPECT_NEAR(FairGuessVariance, 2.9122, 5e-5);

    GuessTotals few;
    for (int d = 0; d < 99; ++d) few.AddDeck(5);
    const FairnessTest tooFew = GuessingTest("guess-follower", few, 1);
    EXPECT_FALSE(tooFew.ran);
    EXPECT_EQ(tooFew.verdict, Verdict::TooFewShuffles);
    EXPECT_EQ(tooFew.neededShuffles, 101u);
    const FairnessTest absent = GuessingTest("guess-follower", std::nullopt, 0);
    EXPECT_EQ(absent.verdict, Verdict::NotRun);
    EXPECT_FALSE(absent.reason.empty());
}

}  // namespace
}  // namespace brevane
