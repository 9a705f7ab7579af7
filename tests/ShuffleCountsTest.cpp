#include "stats/ShuffleCounts.h"

#include <gtest/gtest.h>

#include <numeric>
#include <stdexcept>

#include "AnalysisReference.h"
#include "support/LiteralStats.h"
#include "support/SameCounts.h"

namespace brevane {
namespace {

using literal::Row;
using test::ExpectSameCounts;

Row Identity() {
    Row row;
    std::iota(row.begin(), row.end(), std::uint8_t{1});
    return row;
}

// Feeds `rows` in batches of the given sizes, in turn, until all are in.
ShuffleCounts CountInBatches(const std::vector<Row>& rows, const std::vector<std::size_t>& sizes,
                             std::int32_t n = 10, std::int32_t seat = 0, std::int32_t stage = 3) {
    const std::vector<std::uint8_t> bytes = literal::Flatten(rows);
    ShuffleCounts counts(SeatView{n, seat, StageAt(stage)});
    std::size_t done = 0;
    for (std::size_t k = 0; done < rows.size(); ++k) {
        const std::size_t take = std::min(sizes[k % sizes.size()], rows.size() - done);
        counts.AddRows(bytes.data() + done * 52, take);
        done += take;
    }
    return counts;
}

void ExpectLiteralCounts(const ShuffleCounts& counts, const std::vector<Row>& rows) {
    const literal::Tables t = literal::CountLiterally(rows);
    ASSERT_EQ(counts.Rows(), rows.size());
    ASSERT_EQ(counts.Pairs(), rows.size() - 1);
    const CountTable cards = counts.CardPosition();
    const CountTable moves = counts.Moves();
    const auto suits = counts.SuitPosition();
    const auto ranks = counts.RankPosition();
    for (int i = 0; i < 52; ++i) {
        for (int p = 0; p < 52; ++p) {
            ASSERT_EQ(cards[i][p], t.cards[i][p]) << "card " << i + 1 << " at " << p + 1;
            ASSERT_EQ(moves[i][p], t.moves[i][p]) << "move " << i + 1 << " to " << p + 1;
            if (i < 4) {
                ASSERT_EQ(suits[i][p], t.suits[i][p]);
            }
            if (i < 13) {
                ASSERT_EQ(ranks[i][p], t.ranks[i][p]);
            }
        }
    }
    for (int r = 1; r <= 52; ++r) EXPECT_EQ(counts.RisingSequences()[r - 1], t.rising[r]) << r;
    for (int k = 0; k <= 52; ++k) EXPECT_EQ(counts.FixedPoints()[k], t.fixed[k]) << k;
}

TEST(ShuffleCounts, TwoRowsByHand) {
    Row reversed = Identity();
    std::reverse(reversed.begin(), reversed.end());
    Row swapped = Identity();
    std::swap(swapped[0], swapped[1]);

    // Identity then its reverse: the card at x goes to 53 - x, every step descends.
    ShuffleCounts counts = CountInBatches({Identity(), reversed}, {1});
    EXPECT_EQ(counts.Rows(), 2u);
    EXPECT_EQ(counts.Pairs(), 1u);
    EXPECT_EQ(counts.RisingSequences()[51], 1u);
    EXPECT_EQ(counts.FixedPoints()[0], 1u);
    const CountTable moves = counts.Moves();
    for (int x = 0; x < 52; ++x) EXPECT_EQ(moves[x][51 - x], 1u);
    EXPECT_EQ(counts.CardPosition()[0][0], 1u);   // 2c first in the first row
    EXPECT_EQ(counts.CardPosition()[0][51], 1u);  // and last in the second
    EXPECT_EQ(counts.SuitPosition()[3][0], 1u);   // As (a spade) first in the second row

    // Unchanged: one rising sequence, 52 fixed points; two cards swapped: 2 and 50.
    counts = CountInBatches({Identity(), Identity(), swapped}, {3});
    EXPECT_EQ(counts.RisingSequences()[0], 1u);
    EXPECT_EQ(counts.FixedPoints()[52], 1u);
    EXPECT_EQ(counts.RisingSequences()[1], 1u);
    EXPECT_EQ(counts.FixedPoints()[50], 1u);
    EXPECT_EQ(counts.Moves()[0][1], 1u);
    EXPECT_EQ(counts.Moves()[1][0], 1u);
    EXPECT_EQ(counts.Moves()[2][2], 2u);
}

TEST(ShuffleCounts, MatchTheLiteralCountsWhateverTheBatches) {
    const std::vector<Row> rows = literal::RandomRows(700, 11);
    ExpectLiteralCounts(CountInBatches(rows, {1}), rows);
    ExpectLiteralCounts(CountInBatches(rows, {33, 1, 64, 31, 200}), rows);
    ExpectLiteralCounts(CountInBatches(rows, {700}), rows);
}

// The 16-bit cells are emptied into the totals every 65535 rows.
TEST(ShuffleCounts, CountsStayExactPastTheSmallCells) {
    std::vector<Row> rows = literal::RandomRows(200, 5);
    // The same card at the same place in every row, so that one cell of each table passes
    // 65535.
    std::vector<Row> many;
    for (int k = 0; k < 350; ++k) many.insert(many.end(), rows.begin(), rows.end());
    for (Row& row : many) {
        std::swap(row[0], *std::find(row.begin(), row.end(), std::uint8_t{7}));
    }
    ExpectLiteralCounts(CountInBatches(many, {4096, 77}), many);
    EXPECT_EQ(CountInBatches(many, {1000}).CardPosition()[6][0], 70000u);
    EXPECT_EQ(CountInBatches(many, {1000}).Moves()[0][0], 69999u);
}

TEST(ShuffleCounts, HandCategoriesAreThoseOfTheSeatView) {
    const ShuffleList list = reference::ShuffledList(300, 9);
    std::vector<Row> rows(list.Count());
    for (std::size_t r = 0; r < list.Count(); ++r) std::copy_n(list.Row(r), 52, rows[r].begin());
    const struct { int n, seat, stage; } views[] = {{10, 0, 3}, {6, 9, 2}, {2, 1, 0}, {4, 4, 1}};
    for (const auto& v : views) {
        std::array<std::uint64_t, 10> want{};
        for (std::size_t r = 0; r < rows.size(); ++r) {
            const auto cards =
                reference::PlayerCards(list, static_cast<long long>(r), v.n, v.seat, v.stage);
            ++want[static_cast<std::size_t>(
                reference::CategoryCounter(reference::Evaluate(cards)))];
        }
        EXPECT_EQ(CountInBatches(rows, {17, 40}, v.n, v.seat, v.stage).HandCategories(), want)
            << v.n << " players, seat " << v.seat << ", stage " << v.stage;
    }
}

TEST(ShuffleCounts, ConsecutivePartsAddUpToTheWhole) {
    const std::vector<Row> rows = literal::RandomRows(400, 21);
    const std::vector<std::uint8_t> bytes = literal::Flatten(rows);
    for (const std::int32_t seat : {3, 13}) {  // fixed D-3, and D-3 rotating
        ShuffleCounts whole(SeatView{10, seat, StageAt(3)});
        whole.AddRows(bytes.data(), rows.size());
        for (const std::size_t split : {0, 1, 37, 399, 400}) {
            ShuffleCounts first(SeatView{10, seat, StageAt(3)});
            ShuffleCounts second(SeatView{10, seat, StageAt(3)}, split);
            first.AddRows(bytes.data(), split);
            second.AddRows(bytes.data() + split * 52, rows.size() - split);
            first.Add(second, true);
            ExpectSameCounts(first, whole);
        }
    }
}

TEST(ShuffleCounts, IndependentPartsAddOnlyTheirOwnPairs) {
    const std::vector<Row> rows = literal::RandomRows(100, 22);
    const std::vector<std::uint8_t> bytes = literal::Flatten(rows);
    ShuffleCounts whole(SeatView{10, 0, StageAt(3)}), first(SeatView{10, 0, StageAt(3)}),
        second(SeatView{10, 0, StageAt(3)});
    whole.AddRows(bytes.data(), 100);
    first.AddRows(bytes.data(), 60);
    second.AddRows(bytes.data() + 60 * 52, 40);
    first.Add(second, false);
    EXPECT_EQ(first.Rows(), 100u);
    EXPECT_EQ(first.Pairs(), 98u);
    EXPECT_EQ(first.CardPosition(), whole.CardPosition());
    EXPECT_EQ(first.HandCategories(), whole.HandCategories());
    // The whole differs by exactly the pair (row 59, row 60).
    const ShuffleCounts join = CountInBatches({rows[59], rows[60]}, {2});
    CountTable moves = first.Moves();
    for (int i = 0; i < 52; ++i)
        for (int j = 0; j < 52; ++j) moves[i][j] += join.Moves()[i][j];
    EXPECT_EQ(moves, whole.Moves());
    std::uint64_t rising = 0;
    for (int r = 0; r < 52; ++r) rising += whole.RisingSequences()[r] - first.RisingSequences()[r];
    EXPECT_EQ(rising, 1u);
    EXPECT_EQ(first.FirstRow(), rows[0]);
    EXPECT_EQ(first.LastRow(), rows[99]);
}

TEST(ShuffleCounts, MismatchedPartsAreRefused) {
    const std::vector<std::uint8_t> bytes = literal::Flatten(literal::RandomRows(4, 1));
    ShuffleCounts a(SeatView{10, 0, StageAt(3)}), otherSeat(SeatView{10, 1, StageAt(3)}),
        otherStage(SeatView{10, 0, StageAt(2)}), otherTable(SeatView{9, 0, StageAt(3)});
    a.AddRows(bytes.data(), 2);
    for (ShuffleCounts* other : {&otherSeat, &otherStage, &otherTable}) {
        other->AddRows(bytes.data() + 104, 2);
        EXPECT_THROW(a.Add(*other, false), std::invalid_argument);
    }
    ShuffleCounts wrongStart(SeatView{10, 0, StageAt(3)}, 5);
    wrongStart.AddRows(bytes.data() + 104, 2);
    EXPECT_THROW(a.Add(wrongStart, true), std::invalid_argument);
    EXPECT_EQ(a.Rows(), 2u);
    a.Add(wrongStart, false);
    EXPECT_EQ(a.Rows(), 4u);
}

}  // namespace
}  // namespace brevane
