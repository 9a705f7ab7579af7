#include <gtest/gtest.h>

#include "AnalysisReference.h"
#include "analysis/ReportLines.h"
#include "analysis/Reports.h"
#include "analysis/Seats.h"
#include "support/HandSets.h"

namespace brevane {
namespace {

SeatView View(std::int32_t n, std::int32_t p, std::int32_t stage) {
    return {n, p, StageAt(stage)};
}

// Two players, seat "D  (rotate)": the seat's hole cards are at 2 and 4 on even rows and at
// 1 and 3 on odd rows; the board is always at 5 to 9.
ShuffleList DesignedList() {
    ShuffleList list;
    // Royal flush in spades.
    list.Append(reference::RowWith(
        {{2, "As"}, {4, "Ks"}, {5, "Qs"}, {6, "Js"}, {7, "Ts"}, {8, "2c"}, {9, "3d"}}));
    // Five-high straight flush in hearts: a straight flush, not a royal one.
    list.Append(reference::RowWith(
        {{1, "5h"}, {3, "4h"}, {5, "3h"}, {6, "2h"}, {7, "Ah"}, {8, "Kc"}, {9, "Kd"}}));
    // A pair of nines.
    list.Append(reference::RowWith(
        {{2, "9c"}, {4, "9d"}, {5, "2s"}, {6, "5h"}, {7, "7d"}, {8, "Jc"}, {9, "Kh"}}));
    // King high, no straight.
    list.Append(reference::RowWith(
        {{1, "2c"}, {3, "7d"}, {5, "9h"}, {6, "Js"}, {7, "Kd"}, {8, "4c"}, {9, "3s"}}));
    return list;
}

TEST(HandCategoryReport, DesignedRowsLineByLine) {
    const Report river = BuildHandCategoryReport(DesignedList(), View(2, 2, 3), ".");
    const Report want = {"Player position: D  (rotate)",
                         "Cards dealt: River",
                         "Shuffles: 4",
                         "",
                         "High Card:       1  (25.0000%)",
                         "Pair:            1  (25.0000%)",
                         "Two Pair:        0  (0.0000%)",
                         "Three of a Kind: 0  (0.0000%)",
                         "Straight:        0  (0.0000%)",
                         "Flush:           0  (0.0000%)",
                         "Full House:      0  (0.0000%)",
                         "Four of a Kind:  0  (0.0000%)",
                         "Straight Flush:  1  (25.0000%)",
                         "Royal Flush:     1  (25.0000%)"};
    EXPECT_EQ(river, want);

    // Hole stage: only the pair of nines pairs up; six lines.
    const Report hole = BuildHandCategoryReport(DesignedList(), View(2, 2, 0), ",");
    const Report wantHole = {"Player position: D  (rotate)",
                             "Cards dealt: Hole",
                             "Shuffles: 4",
                             "",
                             "High Card:       3  (75,0000%)",
                             "Pair:            1  (25,0000%)"};
    EXPECT_EQ(hole, wantHole);
}

TEST(HandCategoryReport, RotatingSeatStartsFromRowZero) {
    // The fixed seat D (2 and 4 on every row) sees other cards on the odd rows.
    const Report fixed = BuildHandCategoryReport(DesignedList(), View(2, 0, 3), ".");
    const Report rotating = BuildHandCategoryReport(DesignedList(), View(2, 2, 3), ".");
    EXPECT_EQ(rotating[0], "Player position: D  (rotate)");
    EXPECT_NE(Report(fixed.begin() + 1, fixed.end()), Report(rotating.begin() + 1, rotating.end()));
    EXPECT_EQ(fixed, reference::HandCategoryReport(DesignedList(), 2, 0, 3, "D", "River", "."));
}

TEST(HandCategoryReport, EveryPairOfHoleCards) {
    // 1326 rows, one for each pair of cards at seat D of two players: 78 are pocket pairs.
    ShuffleList list;
    for (CardCode a = 1; a <= DeckSize; ++a) {
        for (CardCode b = a + 1; b <= DeckSize; ++b) {
            list.Append(reference::RowWith({{2, CardName(a)}, {4, CardName(b)}}));
        }
    }
    const Report report = BuildHandCategoryReport(list, View(2, 0, 0), ".");
    ASSERT_EQ(report.size(), 6u);
    EXPECT_EQ(report[2], "Shuffles: 1326");
    EXPECT_EQ(report[4], "High Card:       1248  (94.1176%)");
    EXPECT_EQ(report[5], "Pair:            78  (5.8824%)");
}

// Published counts of the ten categories over all 2,598,960 five-card hands.
TEST(HandCategoryReport, EveryFiveCardHandAtTheFlop) {
    HandCategoryCounter counter(View(2, 0, 1));  // seat D of two players: 2, 4, then 5, 6, 7
    std::uint8_t row[52] = {};
    const int positions[5] = {2, 4, 5, 6, 7};
    test::ForEachCardSet(5, [&](const test::SevenCards& c) {
        for (int i = 0; i < 5; ++i) row[positions[i] - 1] = static_cast<std::uint8_t>(c[i]);
        counter.Add(row);
    });
    EXPECT_EQ(counter.Counts(), test::PublishedReportCounts(5));
    EXPECT_EQ(counter.Rows(), 2598960u);
}

TEST(HandCategoryReport, MatchesTheLiteralReportForEverySeatAndStage) {
    const ShuffleList list = reference::ShuffledList(300, 11);
    const char* stages[] = {"Hole", "Flop", "Turn", "River"};
    for (std::int32_t n = 2; n <= 10; ++n) {
        const auto labels = SeatPositionLabels(n);
        for (std::int32_t p = 0; p < 2 * n; ++p) {
            for (std::int32_t s = 0; s < 4; ++s) {
                const Report got = BuildHandCategoryReport(list, View(n, p, s), ".");
                ASSERT_EQ(got,
                          reference::HandCategoryReport(list, n, p, s, labels[p], stages[s], "."))
                    << "n " << n << " seat " << p << " stage " << s;
                ASSERT_EQ(got.size(), s == 0 ? 6u : 14u);
            }
        }
    }
}

TEST(HandCategoryReport, CountsSumToTheRows) {
    const ShuffleList list = reference::ShuffledList(1000, 5);
    for (std::int32_t s = 0; s < 4; ++s) {
        const Report report = BuildHandCategoryReport(list, View(10, 0, s), ".");
        std::uint64_t sum = 0;
        for (std::size_t i = 4; i < report.size(); ++i) {
            EXPECT_EQ(report[i].find_first_of("0123456789"), 17u) << report[i];
            sum += std::stoull(report[i].substr(17));
        }
        EXPECT_EQ(sum, 1000u);
    }
}

TEST(HandCategoryReport, OneRowGivesOneHundredPercentOnce) {
    for (std::int32_t s = 0; s < 4; ++s) {
        const Report report =
            BuildHandCategoryReport(reference::ShuffledList(1, 9), View(6, 7, s), ".");
        int full = 0, none = 0;
        for (std::size_t i = 4; i < report.size(); ++i) {
            full += report[i].ends_with("(100.0000%)");
            none += report[i].ends_with("(0.0000%)");
        }
        EXPECT_EQ(full, 1);
        EXPECT_EQ(full + none, static_cast<int>(report.size()) - 4);
    }
}

TEST(HandCategoryReport, SlotsPutTheRoyalFlushApart) {
    EXPECT_EQ(HandCategoryCounter::Slot(0x9EDCBA), 10);
    EXPECT_EQ(HandCategoryCounter::Slot(0x9DCBA9), 9);
    EXPECT_EQ(HandCategoryCounter::Slot(0x954321), 9);
    EXPECT_EQ(HandCategoryCounter::Slot(0x100000), 1);
    EXPECT_EQ(HandCategoryCounter::Slot(0x1FFFFF), 1);
    EXPECT_EQ(HandCategoryCounter::Slot(0x200000), 2);
}

}  // namespace
}  // namespace brevane
