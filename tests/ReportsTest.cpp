#include "analysis/Reports.h"

#include <gtest/gtest.h>

#include <numeric>

#include "AnalysisReference.h"
#include "analysis/ReportLines.h"

namespace brevane {
namespace {

TEST(PercentText, ExactHalvesRoundUp) {
    EXPECT_EQ(PercentText(1, 128, "."), "0.7813");
    EXPECT_EQ(PercentText(1, 3200, "."), "0.0313");
    EXPECT_EQ(PercentText(37, 150, "."), "24.6667");
    EXPECT_EQ(PercentText(0, 150, "."), "0.0000");
    EXPECT_EQ(PercentText(150, 150, "."), "100.0000");
    EXPECT_EQ(PercentText(1, 1, "."), "100.0000");
    EXPECT_EQ(PercentText(174, 1000, "."), "17.4000");
    EXPECT_EQ(PercentText(1, 3, "."), "33.3333");
    EXPECT_EQ(PercentText(2, 3, "."), "66.6667");
    EXPECT_EQ(PercentText(37, 150, ","), "24,6667");
}

TEST(PercentText, AgreesWithLongDivisionForEveryCountOfSmallTotals) {
    for (std::uint64_t n = 1; n <= 700; ++n) {
        for (std::uint64_t k = 0; k <= n; ++k) {
            ASSERT_EQ(PercentText(k, n, "."), reference::Percent(k, n, ".")) << k << " of " << n;
        }
    }
}

TEST(PercentText, HugeTotalsDoNotOverflow) {
    const std::uint64_t max = UINT64_MAX;
    EXPECT_EQ(PercentText(max, max, "."), "100.0000");
    EXPECT_EQ(PercentText(max / 2, max, "."), "50.0000");
    EXPECT_EQ(PercentText(1, max, "."), "0.0000");
    const std::uint64_t billion = 1'000'000'000ULL;
    EXPECT_EQ(PercentText(billion / 3, billion, "."), "33.3333");
    for (std::uint64_t n :
         std::initializer_list<std::uint64_t>{max, max - 1, 1ULL << 63, 99'999'999'977}) {
        for (std::uint64_t k : {n / 7, n / 128, n - 1, n / 3 + 5}) {
            EXPECT_EQ(PercentText(k, n, "."), reference::Percent(k, n, "."));
        }
    }
    EXPECT_THROW(PercentText(0, 0, "."), std::invalid_argument);
}

// Three rows built by hand: the deck in order (card code = position), reversed (53 - position),
// and turned by one (position p holds p + 1, position 52 holds 2c).
ShuffleList HandBuiltList() {
    ShuffleList list;
    Deck inOrder = InitialDeck(), reversed{}, turned{};
    for (int p = 1; p <= 52; ++p) {
        reversed[p - 1] = 53 - p;
        turned[p - 1] = p % 52 + 1;
    }
    list.Append(inOrder);
    list.Append(reversed);
    list.Append(turned);
    return list;
}

std::vector<std::string> PositionLines(const std::vector<int>& counts) {
    const char* percent[] = {"0.0000", "33.3333", "66.6667", "100.0000"};
    std::vector<std::string> lines;
    for (int p = 1; p <= 52; ++p) {
        const int c = counts[p];
        lines.push_back(std::to_string(p) + " = " + std::to_string(c) + "  (" + percent[c] + "%)");
    }
    return lines;
}

TEST(DistributionReports, HandBuiltListSuitReportLineByLine) {
    const Report report = BuildSuitReport(HandBuiltList(), 0, "Club", ".");
    ASSERT_EQ(report.size(), 57u);
    EXPECT_EQ(report[0], "Suit Selected: Club");
    EXPECT_EQ(report[1], "Shuffles: 3");
    EXPECT_EQ(report[2], "");
    EXPECT_EQ(report[3], "Position = Count  (Percent) Avg = 25.0000%");
    EXPECT_EQ(report[4], "");
    EXPECT_EQ(report[5], "1 = 1  (33.3333%)");
    EXPECT_EQ(report[6], "2 = 0  (0.0000%)");
    EXPECT_EQ(report[8], "4 = 2  (66.6667%)");
    // Clubs lie at 1, 5, 9, ... in order and at 4, 8, ..., 52 in the two other rows.
    std::vector<int> counts(53, 0);
    for (int p = 1; p <= 52; ++p) counts[p] = p % 4 == 1 ? 1 : p % 4 == 0 ? 2 : 0;
    const auto want = PositionLines(counts);
    EXPECT_EQ(std::vector<std::string>(report.begin() + 5, report.end()), want);
}

TEST(DistributionReports, HandBuiltListRankAndCardReports) {
    const ShuffleList list = HandBuiltList();
    const Report rank = BuildRankReport(list, 8, "T", ".");
    ASSERT_EQ(rank.size(), 57u);
    EXPECT_EQ(rank[0], "Rank Selected: T");
    EXPECT_EQ(rank[3], "Position = Count  (Percent) Avg = 7.6923%");
    // Tens (codes 33-36): 33-36 in order, 17-20 reversed, 32-35 turned.
    std::vector<int> counts(53, 0);
    for (int p = 33; p <= 36; ++p) ++counts[p];
    for (int p = 17; p <= 20; ++p) ++counts[p];
    for (int p = 32; p <= 35; ++p) ++counts[p];
    EXPECT_EQ(std::vector<std::string>(rank.begin() + 5, rank.end()), PositionLines(counts));

    const Report card = BuildCardReport(list, 52, "As", ".");
    EXPECT_EQ(card[0], "Card Selected: As");
    EXPECT_EQ(card[3], "Position = Count  (Percent) Avg = 1.9231%");
    std::fill(counts.begin(), counts.end(), 0);
    counts[52] = counts[1] = counts[51] = 1;
    EXPECT_EQ(std::vector<std::string>(card.begin() + 5, card.end()), PositionLines(counts));
}

TEST(DistributionReports, HandBuiltListDeckPositionReport) {
    // Position 7 holds 3h in order, Kd reversed and 3s turned.
    const Report report = BuildDeckPosReport(HandBuiltList(), 7, "7", ".");
    ASSERT_EQ(report.size(), 80u);
    EXPECT_EQ(report[0], "Deck Position: 7");
    EXPECT_EQ(report[3], "Suit = Count  (Percent) Avg = 25.0000%");
    EXPECT_EQ(report[5], "c = 0  (0.0000%)");
    EXPECT_EQ(report[6], "d = 1  (33.3333%)");
    EXPECT_EQ(report[7], "h = 1  (33.3333%)");
    EXPECT_EQ(report[8], "s = 1  (33.3333%)");
    EXPECT_EQ(report[9], "");
    EXPECT_EQ(report[10], "Rank = Count  (Percent) Avg = 7.6923%");
    EXPECT_EQ(report[11], "");
    EXPECT_EQ(report[12], "2 = 0  (0.0000%)");
    EXPECT_EQ(report[13], "3 = 2  (66.6667%)");
    EXPECT_EQ(report[23], "K = 1  (33.3333%)");
    EXPECT_EQ(report[24], "A = 0  (0.0000%)");
    EXPECT_EQ(report[25], "");
    EXPECT_EQ(report[26], "Card = Count  (Percent) Avg = 1.9231%");
    EXPECT_EQ(report[27], "");
    EXPECT_EQ(report[28], "2c = 0  (0.0000%)");
    EXPECT_EQ(report[28 + 6], "3h = 1  (33.3333%)");
    EXPECT_EQ(report[28 + 7], "3s = 1  (33.3333%)");
    EXPECT_EQ(report[28 + 45], "Kd = 1  (33.3333%)");
    EXPECT_EQ(report[79], "As = 0  (0.0000%)");
}

TEST(DistributionReports, OneRow) {
    ShuffleList list;
    list.Append(InitialDeck());
    const Report card = BuildCardReport(list, 1, "2c", ".");
    int full = 0, empty = 0;
    for (std::size_t i = 5; i < card.size(); ++i) {
        full += card[i].ends_with("(100.0000%)");
        empty += card[i].ends_with(" = 0  (0.0000%)");
    }
    EXPECT_EQ(full, 1);
    EXPECT_EQ(empty, 51);
    EXPECT_EQ(card[5], "1 = 1  (100.0000%)");
    const Report suit = BuildSuitReport(list, 3, "Spade", ".");
    full = empty = 0;
    for (std::size_t i = 5; i < suit.size(); ++i) {
        full += suit[i].ends_with("(100.0000%)");
        empty += suit[i].ends_with("(0.0000%)");
    }
    EXPECT_EQ(full, 13);
    EXPECT_EQ(empty, 39);
}

std::uint64_t CountAfterEquals(const std::string& line) {
    const auto at = line.find(" = ");
    return std::stoull(line.substr(at + 3));
}

std::uint64_t SumOfCounts(const Report& report, std::size_t first, std::size_t last) {
    std::uint64_t sum = 0;
    for (std::size_t i = first; i <= last; ++i) sum += CountAfterEquals(report[i]);
    return sum;
}

TEST(DistributionReports, CountsSumToTheRowsTheyCover) {
    const ShuffleList list = reference::ShuffledList(777);
    for (int s = 0; s < 4; ++s) {
        EXPECT_EQ(SumOfCounts(BuildSuitReport(list, s, "x", "."), 5, 56), 13u * 777);
    }
    for (int r = 0; r < 13; ++r) {
        EXPECT_EQ(SumOfCounts(BuildRankReport(list, r, "x", "."), 5, 56), 4u * 777);
    }
    for (int c = 1; c <= 52; ++c) {
        EXPECT_EQ(SumOfCounts(BuildCardReport(list, c, "x", "."), 5, 56), 777u);
    }
    for (int p = 1; p <= 52; ++p) {
        const Report report = BuildDeckPosReport(list, p, "x", ".");
        ASSERT_EQ(report.size(), 80u);
        EXPECT_EQ(SumOfCounts(report, 5, 8), 777u);
        EXPECT_EQ(SumOfCounts(report, 12, 24), 777u);
        EXPECT_EQ(SumOfCounts(report, 28, 79), 777u);
    }
}

// Sizes around the 255-row byte counters and the list's block size.
TEST(DistributionReports, EveryReportMatchesTheLiteralOneAcrossCounterFlushes) {
    for (std::size_t rows : {1, 254, 255, 256, 510, 511, 1000}) {
        const ShuffleList list = reference::ShuffledList(rows, static_cast<std::uint8_t>(rows));
        for (int s = 0; s < 4; ++s) {
            ASSERT_EQ(BuildSuitReport(list, s, "Heart", "."),
                      reference::PositionReport(list, 's', s, "Heart", "."));
        }
        for (int r = 0; r < 13; ++r) {
            ASSERT_EQ(BuildRankReport(list, r, "Q", ","),
                      reference::PositionReport(list, 'r', r, "Q", ","));
        }
        for (int c = 1; c <= 52; c += 3) {
            ASSERT_EQ(BuildCardReport(list, c, "9d", "."),
                      reference::PositionReport(list, 'c', c, "9d", "."));
        }
        for (int p : {1, 9, 10, 25, 52}) {
            ASSERT_EQ(BuildDeckPosReport(list, p, std::to_string(p), "."),
                      reference::DeckPosReport(list, p, std::to_string(p), "."));
        }
    }
}

TEST(DistributionReports, ListLongerThanOneStorageBlock) {
    const std::size_t rows = ShuffleList::RowsPerBlock + 300;
    const ShuffleList list = reference::ShuffledList(rows, 42);
    EXPECT_EQ(BuildSuitReport(list, 2, "Heart", "."),
              reference::PositionReport(list, 's', 2, "Heart", "."));
    EXPECT_EQ(BuildRankReport(list, 12, "A", "."),
              reference::PositionReport(list, 'r', 12, "A", "."));
}

TEST(DistributionReports, CommaSeparatorLeavesTheAvgTitlesAlone) {
    ShuffleList list = reference::ShuffledList(150);
    const Report suit = BuildSuitReport(list, 0, "Club", ",");
    EXPECT_EQ(suit[3], "Position = Count  (Percent) Avg = 25.0000%");
    for (std::size_t i = 5; i < suit.size(); ++i) {
        EXPECT_NE(suit[i].find(','), std::string::npos) << suit[i];
        EXPECT_EQ(suit[i].find('.'), std::string::npos) << suit[i];
    }
    const Report position = BuildDeckPosReport(list, 3, "3", ",");
    EXPECT_EQ(position[3], "Suit = Count  (Percent) Avg = 25.0000%");
    EXPECT_EQ(position[10], "Rank = Count  (Percent) Avg = 7.6923%");
    EXPECT_EQ(position[26], "Card = Count  (Percent) Avg = 1.9231%");
    EXPECT_EQ(BuildCardReport(list, 9, "4c", ",")[3], "Position = Count  (Percent) Avg = 1.9231%");
    EXPECT_EQ(BuildRankReport(list, 9, "J", ",")[3], "Position = Count  (Percent) Avg = 7.6923%");
}

TEST(DistributionReports, LabelsAreNotAligned) {
    const Report suit = BuildSuitReport(reference::ShuffledList(5), 1, "Diamond", ".");
    EXPECT_TRUE(suit[13].starts_with("9 = "));
    EXPECT_TRUE(suit[14].starts_with("10 = "));
}

TEST(DistributionReports, AnEmptyListIsRefused) {
    const ShuffleList empty;
    EXPECT_THROW(BuildSuitReport(empty, 0, "Club", "."), std::invalid_argument);
    EXPECT_THROW(BuildDeckPosReport(empty, 1, "1", "."), std::invalid_argument);
    EXPECT_THROW(BuildHandCategoryReport(empty, SeatView{}, "."), std::invalid_argument);
}

TEST(DistributionReports, RowByRowCountingGivesTheListReport) {
    const ShuffleList list = reference::ShuffledList(600, 3);
    auto suit = PositionCounter::ForSuit(1);
    auto rank = PositionCounter::ForRank(0);
    auto card = PositionCounter::ForCard(17);
    DeckPosCounter position(20);
    for (std::size_t r = 0; r < list.Count(); ++r) {
        suit.Add(list.Row(r));
        rank.Add(list.Row(r));
        card.Add(list.Row(r));
        position.Add(list.Row(r));
    }
    EXPECT_EQ(BuildReport(suit, "Diamond", "."), BuildSuitReport(list, 1, "Diamond", "."));
    EXPECT_EQ(BuildReport(rank, "2", "."), BuildRankReport(list, 0, "2", "."));
    EXPECT_EQ(BuildReport(card, "6c", "."), BuildCardReport(list, 17, "6c", "."));
    EXPECT_EQ(BuildReport(position, "20", "."), BuildDeckPosReport(list, 20, "20", "."));
}

}  // namespace
}  // namespace brevane
