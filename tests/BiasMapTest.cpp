#include "stats/BiasMap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string_view>

#include "AnalysisReference.h"
#include "models/ShuffleRows.h"
#include "stats/FairnessReport.h"
#include "support/LiteralStats.h"

namespace brevane {
namespace {

using literal::Row;

ShuffleCounts CountRows(const std::vector<Row>& rows) {
    const std::vector<std::uint8_t> bytes = literal::Flatten(rows);
    ShuffleCounts counts(SeatView{});
    counts.AddRows(bytes.data(), rows.size());
    return counts;
}

// The same order `count` times: every card stays where it is.
std::vector<Row> SameRow(std::size_t count) {
    Row row;
    for (int p = 0; p < 52; ++p) row[p] = static_cast<std::uint8_t>(p + 1);
    return std::vector<Row>(count, row);
}

// z straight from its definition, in long double.
long double LiteralZ(std::uint64_t observed, std::uint64_t total) {
    const long double expected = static_cast<long double>(total) / 52;
    return (observed - expected) / std::sqrt(expected * 51 / 52);
}

// A list one block and a bit long, counted as the window counts it, so that pairs of rows in
// different storage blocks are among those counted.
TEST(BiasMap, BothViewsMatchTheLiteralCountsAcrossStorageBlocks) {
    const std::size_t n = ShuffleList::RowsPerBlock + 300;
    const ShuffleList list = reference::ShuffledList(n, 7);
    std::vector<Row> rows(n);
    for (std::size_t r = 0; r < n; ++r) std::copy_n(list.Row(r), 52, rows[r].begin());
    const literal::Tables want = literal::CountLiterally(rows);
    const ShuffleCounts counts = CountShuffleList(list, SeatView{});

    const BiasMap cards(counts, BiasView::Cards);
    const BiasMap moves(counts, BiasView::Moves);
    ASSERT_EQ(cards.Total(), n);
    ASSERT_EQ(moves.Total(), n - 1);
    EXPECT_DOUBLE_EQ(cards.Expected(), n / 52.0);
    EXPECT_DOUBLE_EQ(moves.Expected(), (n - 1) / 52.0);
    std::uint64_t moved = 0;
    for (int i = 0; i < 52; ++i) {
        for (int j = 0; j < 52; ++j) {
            ASSERT_EQ(cards.Counts()[i][j], want.cards[i][j]) << "card " << i << " at " << j;
            ASSERT_EQ(moves.Counts()[i][j], want.moves[i][j]) << "from " << i << " to " << j;
            moved += moves.Counts()[i][j];
            EXPECT_NEAR(cards.Z(i, j), LiteralZ(want.cards[i][j], n), 1e-12);
            EXPECT_NEAR(moves.Z(i, j), LiteralZ(want.moves[i][j], n - 1), 1e-12);
        }
    }
    EXPECT_EQ(moved, 52 * (n - 1));

    // The pair across the first block boundary on its own.
    const BiasMap join(
        CountRows({rows[ShuffleList::RowsPerBlock - 1], rows[ShuffleList::RowsPerBlock]}),
        BiasView::Moves);
    const literal::Tables joinWant = literal::CountLiterally(
        {rows[ShuffleList::RowsPerBlock - 1], rows[ShuffleList::RowsPerBlock]});
    for (int i = 0; i < 52; ++i)
        for (int j = 0; j < 52; ++j) EXPECT_EQ(join.Counts()[i][j], joinWant.moves[i][j]);
}

// With N copies of one order, a card's own cell holds N and the others 0, so that
// z = sqrt(51 N) and -sqrt(N / 51): +51 and -1 for N = 51.
TEST(BiasMap, ZOfKnownTables) {
    const BiasMap cards(CountRows(SameRow(51)), BiasView::Cards);
    EXPECT_NEAR(cards.Z(0, 0), 51.0, 1e-12);
    EXPECT_NEAR(cards.Z(0, 1), -1.0, 1e-12);
    EXPECT_NEAR(cards.Z(51, 51), 51.0, 1e-12);
    EXPECT_EQ(cards.Colour(0, 0), BiasHighColour);
    EXPECT_EQ(cards.Colour(0, 1), (Rgb{200, 217, 234}));  // a quarter of the way to blue

    EXPECT_EQ(BiasZ(52, 52.0), 0.0);
    EXPECT_NEAR(BiasZ(0, 51.0 / 52 * 16), -4.0, 1e-12);  // -sqrt(E * 52/51)
}

TEST(BiasMap, ColoursAtKnownDeviations) {
    EXPECT_EQ(BiasColour(0.0), (Rgb{255, 255, 255}));
    EXPECT_EQ(BiasColour(-0.0), (Rgb{255, 255, 255}));
    EXPECT_EQ(BiasColour(4.0), (Rgb{178, 24, 43}));
    EXPECT_EQ(BiasColour(-4.0), (Rgb{33, 102, 172}));
    for (const double beyond : {4.000001, 7.5, 1e6, std::numeric_limits<double>::infinity()}) {
        EXPECT_EQ(BiasColour(beyond), BiasHighColour) << beyond;
        EXPECT_EQ(BiasColour(-beyond), BiasLowColour) << -beyond;
    }
    // Halfway the channels are 216.5, 139.5, 149 and 144, 178.5, 213.5: halves round up.
    EXPECT_EQ(BiasColour(2.0), (Rgb{217, 140, 149}));
    EXPECT_EQ(BiasColour(-2.0), (Rgb{144, 179, 214}));
    // Just off white: 255 - 77 / 4000 rounds back to 255; one step in, each channel moves.
    EXPECT_EQ(BiasColour(0.001), (Rgb{255, 255, 255}));
    EXPECT_EQ(BiasColour(1.0), (Rgb{236, 197, 202}));  // 235.75, 197.25, 202
}

TEST(BiasMap, TitleGivesTheViewTotalAndTheTest) {
    const ShuffleList list = reference::ShuffledList(400, 3);
    const ShuffleCounts counts = CountShuffleList(list, SeatView{});
    const FairnessResult tests = RunFairnessTests(counts);
    const BiasMap cards(counts, BiasView::Cards);
    const BiasMap moves(counts, BiasView::Moves);
    EXPECT_EQ(cards.Test().statistic, tests.tests[0].statistic);
    EXPECT_EQ(cards.Test().p, tests.tests[0].p);
    EXPECT_EQ(moves.Test().statistic, tests.tests[1].statistic);
    EXPECT_EQ(moves.Test().df, 2601);
    EXPECT_EQ(cards.Title(), "Cards: M = 400 rows; card-position: pass, p = " +
                                 PValueText(tests.tests[0].p) + " (alpha 0.01)");
    EXPECT_EQ(moves.Title(), "Moves: M = 399 pairs; move-position: pass, p = " +
                                 PValueText(tests.tests[1].p) + " (alpha 0.01)");

    // The test is decided alone: a level just above its p fails it, whatever the other tests.
    const double p = cards.Test().p;
    EXPECT_EQ(BiasMap(counts, BiasView::Cards, p * 1.001).Test().verdict, Verdict::Fail);
    EXPECT_EQ(BiasMap(counts, BiasView::Cards, p * 0.999).Test().verdict, Verdict::Pass);

    EXPECT_EQ(BiasMap(CountRows(SameRow(300)), BiasView::Moves).Title(),
              "Moves: M = 299 pairs; move-position: fail, p < 4.9e-324 (alpha 0.01)");
    EXPECT_EQ(BiasMap(CountRows(SameRow(259)), BiasView::Cards).Title(),
              "Cards: M = 259 rows; card-position: too few shuffles (needs 260)");
    EXPECT_EQ(BiasMap(CountRows(SameRow(260)), BiasView::Moves).Title(),
              "Moves: M = 259 pairs; move-position: too few shuffles (needs 261)");
}

TEST(BiasMap, LabelsAndCellTexts) {
    const BiasMap cards(CountRows(SameRow(51)), BiasView::Cards);
    const BiasMap moves(CountRows(SameRow(51)), BiasView::Moves);
    EXPECT_EQ(cards.RowLabel(0), "2c");
    EXPECT_EQ(cards.RowLabel(41), "Qd");
    EXPECT_EQ(cards.RowLabel(51), "As");
    EXPECT_EQ(moves.RowLabel(51), "52");
    EXPECT_EQ(BiasMap::ColumnLabel(0), "1");
    EXPECT_EQ(cards.RowAxisCaption(), "Card");
    EXPECT_EQ(moves.ColumnAxisCaption(), "Later position");
    EXPECT_EQ(cards.CellText(0, 0), "Card 2c, position 1: O = 51, E = 0.98, z = +51.00");
    EXPECT_EQ(cards.CellText(1, 0), "Card 2d, position 1: O = 0, E = 0.98, z = -1.00");
    // 50 pairs: z = sqrt(51 * 50) = 50.498 on the diagonal, -sqrt(50 / 51) = -0.990 off it.
    EXPECT_EQ(moves.CellText(2, 2),
              "Earlier position 3, later position 3: O = 50, E = 0.96, z = +50.50");
    EXPECT_EQ(moves.CellText(2, 3),
              "Earlier position 3, later position 4: O = 0, E = 0.96, z = -0.99");
    // 52 rows: E = 1, and a cell holding 1 has z = 0, written without a sign.
    const BiasMap fair(CountRows(literal::RandomRows(52, 4)), BiasView::Cards);
    int ones = 0;
    for (int i = 0; i < 52; ++i) {
        for (int j = 0; j < 52; ++j) {
            if (fair.Counts()[i][j] != 1) continue;
            ++ones;
            EXPECT_TRUE(fair.CellText(i, j).ends_with(": O = 1, E = 1.00, z = 0.00"))
                << fair.CellText(i, j);
        }
    }
    EXPECT_GT(ones, 0);
}

TEST(BiasMap, CsvHasAHeaderRowAndColumn) {
    const std::vector<Row> rows = literal::RandomRows(30, 8);
    for (const BiasView view : {BiasView::Cards, BiasView::Moves}) {
        const BiasMap map(CountRows(rows), view);
        std::istringstream text(map.CsvText());
        std::string line;
        std::getline(text, line);
        std::string header = view == BiasView::Cards ? "card" : "earlier";
        for (int j = 1; j <= 52; ++j) header.append(",").append(std::to_string(j));
        EXPECT_EQ(line, header);
        int i = 0;
        for (; std::getline(text, line); ++i) {
            ASSERT_LT(i, 52);
            std::istringstream fields(line);
            std::string field;
            std::getline(fields, field, ',');
            EXPECT_EQ(field, map.RowLabel(i));
            int j = 0;
            for (; std::getline(fields, field, ','); ++j) {
                ASSERT_LT(j, 52);
                EXPECT_EQ(field, std::to_string(map.Counts()[i][j]));
            }
            EXPECT_EQ(j, 52);
        }
        EXPECT_EQ(i, 52);
        EXPECT_EQ(map.CsvText().back(), '\n');
    }
}

TEST(BiasMap, TooFewRowsForAView) {
    EXPECT_EQ(BiasMapShortage(0, BiasView::Cards), "No hands dealt");
    EXPECT_EQ(BiasMapShortage(0, BiasView::Moves), "No hands dealt");
    EXPECT_EQ(BiasMapShortage(1, BiasView::Cards), std::nullopt);
    ASSERT_TRUE(BiasMapShortage(1, BiasView::Moves));
    EXPECT_NE(BiasMapShortage(1, BiasView::Moves)->find("needs at least two shuffles"),
              std::string_view::npos);
    EXPECT_EQ(BiasMapShortage(2, BiasView::Moves), std::nullopt);
    EXPECT_THROW(BiasMap(CountRows(SameRow(1)), BiasView::Moves), std::invalid_argument);
    EXPECT_THROW(BiasMap(CountRows({}), BiasView::Cards), std::invalid_argument);
    EXPECT_EQ(BiasMap(CountRows(SameRow(1)), BiasView::Cards).Total(), 1u);
    // Three one-row runs added up: three rows, no pair to follow a card through.
    ShuffleCounts three = CountRows(SameRow(1));
    for (int k = 0; k < 2; ++k) three.Add(CountRows(SameRow(1)), false);
    ASSERT_EQ(three.Rows(), 3u);
    EXPECT_EQ(BiasMapShortage(three, BiasView::Moves), BiasMapShortage(1, BiasView::Moves));
    EXPECT_EQ(BiasMapShortage(three, BiasView::Cards), std::nullopt);
    EXPECT_THROW(BiasMap(three, BiasView::Moves), std::invalid_argument);

    EXPECT_EQ(BiasViewFromName("cards"), BiasView::Cards);
    EXPECT_EQ(BiasViewFromName("moves"), BiasView::Moves);
    EXPECT_EQ(BiasViewFromName("Moves"), std::nullopt);
}

// `rows` shuffles of `model` from a generator keyed with SeededKey(seed).
ShuffleList ModelRows(std::string_view model, std::size_t rows, std::uint8_t seed) {
    ModelParseFailure failure;
    const std::optional<ShuffleModel> parsed = ParseShuffleModel(model, failure);
    ShuffleGenerator generator;
    generator.SetKey(reference::SeededKey(seed));
    Deck deck = InitialDeck();
    ShuffleList list;
    AppendModelShuffles(list, deck, generator, *parsed, rows);
    return list;
}

// The view the window opens on, from counts.
BiasView OpeningView(const ShuffleCounts& counts) {
    std::optional<BiasMap> cards, moves;
    if (!BiasMapShortage(counts.Rows(), BiasView::Cards)) cards.emplace(counts, BiasView::Cards);
    if (!BiasMapShortage(counts.Rows(), BiasView::Moves)) moves.emplace(counts, BiasView::Moves);
    return MoreTellingView(cards ? &*cards : nullptr, moves ? &*moves : nullptr);
}

// Naive swaps pass the card-position test and fail move-position: the window opens on Moves.
TEST(BiasMap, NaiveSwapsOpenOnMoves) {
    const ShuffleCounts counts = CountShuffleList(ModelRows("naive-swap", 3000, 4), SeatView{});
    EXPECT_EQ(BiasMap(counts, BiasView::Cards).Test().verdict, Verdict::Pass);
    EXPECT_EQ(BiasMap(counts, BiasView::Moves).Test().verdict, Verdict::Fail);
    EXPECT_EQ(OpeningView(counts), BiasView::Moves);
}

// Too few rows for the moves test (one row, or fewer pairs than it needs) leave Cards.
TEST(BiasMap, ShortListsOpenOnCards) {
    for (std::size_t rows : {1, 2, 200, 260}) {
        SCOPED_TRACE(rows);
        EXPECT_EQ(OpeningView(CountShuffleList(ModelRows("naive-swap", rows, 4), SeatView{})),
                  BiasView::Cards);
    }
}

// Fair rows: the view of the smaller p-value as the fairness tests give it, which is Cards for
// some keys and Moves for others.
TEST(BiasMap, FairRowsOpenOnTheSmallerPValue) {
    int moves = 0;
    const int keys = 8;
    for (int seed = 1; seed <= keys; ++seed) {
        const ShuffleCounts counts = CountShuffleList(
            ModelRows("fisher-yates", 1500, static_cast<std::uint8_t>(seed)), SeatView{});
        const FairnessResult result = RunFairnessTests(counts);
        ASSERT_EQ(result.tests[0].name, "card-position");
        ASSERT_EQ(result.tests[1].name, "move-position");
        const BiasView want =
            result.tests[1].p < result.tests[0].p ? BiasView::Moves : BiasView::Cards;
        EXPECT_EQ(OpeningView(counts), want) << "seed " << seed;
        moves += want == BiasView::Moves;
    }
    EXPECT_GT(moves, 0);
    EXPECT_LT(moves, keys);
}

// p-values that both fall below the smallest double are told apart by the statistic. N copies
// of one order give X^2 = 2601 N for Cards and 2601 (N - 1) for Moves; N rows alternating
// between the ordered deck and its reverse give 1275 N for Cards (two cells of N / 2 per card)
// and 2601 (N - 1) for Moves.
TEST(BiasMap, EqualPValuesGoByTheStatistic) {
    const ShuffleCounts same = CountRows(SameRow(400));
    std::vector<Row> alternating = SameRow(400);
    for (std::size_t r = 1; r < alternating.size(); r += 2) {
        std::reverse(alternating[r].begin(), alternating[r].end());
    }
    const ShuffleCounts flipping = CountRows(alternating);
    struct Case {
        const ShuffleCounts& counts;
        double cards;
        double moves;
        BiasView want;
    };
    for (const Case& c : {Case{same, 2601.0 * 400, 2601.0 * 399, BiasView::Cards},
                          Case{flipping, 1275.0 * 400, 2601.0 * 399, BiasView::Moves}}) {
        const BiasMap cards(c.counts, BiasView::Cards);
        const BiasMap moves(c.counts, BiasView::Moves);
        ASSERT_EQ(cards.Test().p, 0.0);
        ASSERT_EQ(moves.Test().p, 0.0);
        EXPECT_NEAR(cards.Test().statistic, c.cards, 1e-6 * c.cards);
        EXPECT_NEAR(moves.Test().statistic, c.moves, 1e-6 * c.moves);
        EXPECT_EQ(MoreTellingView(&cards, &moves), c.want);
    }
}

}  // namespace
}  // namespace brevane
