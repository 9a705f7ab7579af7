#include "stats/ReportsFromCounts.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "support/LiteralStats.h"

namespace brevane {
namespace {

// Each report's counter filled from the counts equals the counter that saw the rows.
TEST(ReportsFromCounts, EveryReportCountsAsOverTheRows) {
    const std::vector<literal::Row> rows = literal::RandomRows(800, 31);
    const std::vector<std::uint8_t> bytes = literal::Flatten(rows);
    const SeatView view{7, 9, Stage::Turn};  // D-2 rotating
    ShuffleCounts counts(view, 40);
    counts.AddRows(bytes.data(), rows.size());

    const auto check = [&](PositionCounter fromRows, const char* what) {
        PositionCounter fromCounts = fromRows;
        fromRows.AddRows(bytes.data(), rows.size());
        AddShuffleCounts(fromCounts, counts);
        EXPECT_EQ(fromCounts.Rows(), 800u);
        EXPECT_EQ(fromCounts.Counts(), fromRows.Counts()) << what;
    };
    for (int s = 0; s < SuitCount; ++s) check(PositionCounter::ForSuit(s), "suit");
    for (int r = 0; r < RankCount; ++r) check(PositionCounter::ForRank(r), "rank");
    for (CardCode c = 1; c <= DeckSize; ++c) check(PositionCounter::ForCard(c), "card");
    for (int p = 1; p <= DeckSize; ++p) {
        DeckPosCounter fromRows(p);
        DeckPosCounter fromCounts(p);
        fromRows.AddRows(bytes.data(), rows.size());
        AddShuffleCounts(fromCounts, counts);
        EXPECT_EQ(fromCounts.Rows(), 800u);
        EXPECT_EQ(fromCounts.CardCounts(), fromRows.CardCounts()) << "position " << p;
    }
    HandCategoryCounter fromRows(view, 40);
    HandCategoryCounter fromCounts(view);
    fromRows.AddRows(bytes.data(), rows.size());
    AddShuffleCounts(fromCounts, counts);
    EXPECT_EQ(fromCounts.Counts(), fromRows.Counts());
    EXPECT_EQ(fromCounts.Rows(), 800u);

    HandCategoryCounter otherSeat(SeatView{7, 2, Stage::Turn});
    EXPECT_THROW(AddShuffleCounts(otherSeat, counts), std::invalid_argument);
}

}  // namespace
}  // namespace brevane
