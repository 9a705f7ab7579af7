#include "stats/EffectSize.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "stats/BiasMap.h"
#include "stats/FairnessTests.h"
#include "stats/LargestCell.h"
#include "stats/NumberText.h"
#include "support/LiteralStats.h"

namespace brevane {
namespace {

using literal::Row;

TEST(EffectSize, WIsTheExcessOverTheDegreesOfFreedomPerObservation) {
    EXPECT_EQ(EffectW(2601, 2601, 52000), 0.0);
    EXPECT_EQ(EffectW(2500, 2601, 52000), 0.0);  // below chance: no effect, not a negative one
    EXPECT_DOUBLE_EQ(EffectW(2601 + 520, 2601, 52000), 0.1);
    EXPECT_DOUBLE_EQ(EffectW(17, 8, 100), 0.3);
}

// Cohen's power tables (Statistical Power Analysis, 1988, table 7.4.6): a chi-square test with
// one degree of freedom at 0.05 needs n = 117 to find w = 0.3 with power 0.9.
TEST(EffectSize, SensitivityAgreesWithCohensTable) {
    EXPECT_LE(*DetectableW(1, 117, 0.05), 0.3);
    EXPECT_GT(*DetectableW(1, 116, 0.05), 0.3);
}

TEST(EffectSize, SensitivityAtTheEdgesOfTheLevel) {
    // A level at or above the power: even no effect is found that often.
    EXPECT_EQ(DetectableW(2601, 52000, 0.9), 0.0);
    EXPECT_EQ(DetectableW(2601, 52000, 0.95), 0.0);
    EXPECT_GT(*DetectableW(2601, 52000, 0.8999), 0.0);
    // A level that is zero as a double has no critical value.
    EXPECT_EQ(DetectableW(2601, 52000, 0.0), std::nullopt);
    const double tiniest = std::numeric_limits<double>::denorm_min();
    const std::optional<double> tiny = DetectableW(2601, 52000, tiniest);
    ASSERT_TRUE(tiny.has_value());
    EXPECT_TRUE(std::isfinite(*tiny));
    EXPECT_GT(*tiny, *DetectableW(2601, 52000, 0.01));
    // Four times the observations halve the detectable w.
    EXPECT_NEAR(*DetectableW(612, 4 * 52000, 0.001), *DetectableW(612, 52000, 0.001) / 2, 1e-12);
}

TEST(NumberText, SignificantAndGroupedTexts) {
    EXPECT_EQ(SignificantText(0.061, 2), "0.061");
    EXPECT_EQ(SignificantText(0.00079, 2), "0.00079");
    EXPECT_EQ(SignificantText(7.0711, 2), "7.1");
    EXPECT_EQ(SignificantText(1234.5, 2), "1234");  // no exponent: whole digits stay
    EXPECT_EQ(SignificantText(0.0, 2), "0");
    EXPECT_EQ(GroupedText(0), "0");
    EXPECT_EQ(GroupedText(999), "999");
    EXPECT_EQ(GroupedText(1000), "1,000");
    EXPECT_EQ(GroupedText(1234567), "1,234,567");
    EXPECT_EQ(GroupedText(std::numeric_limits<std::uint64_t>::max()), "18,446,744,073,709,551,615");
    EXPECT_EQ(SignedText(9.104), "+9.10");
    EXPECT_EQ(SignedText(-0.004), "0.00");
}

using Table52 = std::array<std::array<std::uint64_t, DeckSize>, DeckSize>;

Table52 Filled(std::uint64_t value) {
    Table52 table{};
    for (auto& row : table) row.fill(value);
    return table;
}

// 5200 rows, 100 in every cell but one: z = 30 / sqrt(100 * 51/52) = 3.0292.
TEST(LargestCell, AKnownCardCellInWords) {
    Table52 table = Filled(100);
    table[1][0] = 130;  // 2d at position 1
    const auto cell = FindLargestCell(table, 5200, CellTable::Cards);
    ASSERT_TRUE(cell.has_value());
    EXPECT_EQ(cell->row, 1);
    EXPECT_EQ(cell->position, 0);
    EXPECT_NEAR(cell->z, 30 / std::sqrt(100.0 * 51 / 52), 1e-12);
    EXPECT_EQ(cell->Text(),
              "2d at position 1: 130 of 5,200 rows (2.50%), expected 1.92%, z = +3.03");
    EXPECT_EQ(cell->Sentence(), "The 2d was at position 1 in 2.50% of shuffles instead of 1.92%.");
}

// The issue's own example of a move: 520 of 19,999 pairs is 2.60%.
TEST(LargestCell, AMoveInWords) {
    Table52 table = Filled(385);
    table[1][0] = 520;
    const auto cell = FindLargestCell(table, 19999, CellTable::Moves);
    ASSERT_TRUE(cell.has_value());
    EXPECT_EQ(cell->Text(),
              "the card at position 2 went to position 1 in 2.60% of 19,999 pairs, expected 1.92%");
    EXPECT_EQ(cell->Sentence(),
              "From one shuffle to the next, the card at position 2 went to position 1 in 2.60% "
              "of shuffles instead of 1.92%.");
}

// A suit's cell is binomial with q = 1/4: its variance is E * 3/4, not E * 51/52.
TEST(LargestCell, ASuitUsesItsOwnCellVariance) {
    std::array<std::array<std::uint64_t, DeckSize>, 4> suits{};
    for (auto& row : suits) row.fill(100);
    suits[2][51] = 70;  // Heart at position 52
    const auto cell = FindLargestCell(suits, 400, CellTable::Suits);
    ASSERT_TRUE(cell.has_value());
    EXPECT_NEAR(cell->z, -30 / std::sqrt(75.0), 1e-12);
    EXPECT_EQ(cell->Text(),
              "Heart at position 52: 70 of 400 rows (17.50%), expected 25.00%, z = -3.46");
    EXPECT_EQ(cell->Sentence(),
              "A Heart was at position 52 in 17.50% of shuffles instead of 25.00%.");
}

// Of cells with the same |z|, above and below their expected count, the first in row order;
// nothing counted gives no cell.
TEST(LargestCell, TiesGoToTheFirstCellAndEmptyTablesHaveNone) {
    Table52 table = Filled(100);
    table[40][3] = 130;
    table[7][50] = 70;
    table[7][51] = 130;
    const auto cell = FindLargestCell(table, 5200, CellTable::Cards);
    ASSERT_TRUE(cell.has_value());
    EXPECT_EQ(cell->row, 7);
    EXPECT_EQ(cell->position, 50);
    EXPECT_LT(cell->z, 0);
    EXPECT_EQ(FindLargestCell(Filled(0), 0, CellTable::Moves), std::nullopt);
}

// Rows in which 2d is put first one time in eight: the card-position test names that cell, and
// its z and that of the move-position test's cell are the bias map's largest.
TEST(LargestCell, PositionTestsNameTheBiasMapsLargestCell) {
    std::vector<Row> rows = literal::RandomRows(3000, 11);
    for (std::size_t r = 0; r < rows.size(); r += 8) {
        std::swap(*std::find(rows[r].begin(), rows[r].end(), 2), rows[r][0]);
    }
    const std::vector<std::uint8_t> bytes = literal::Flatten(rows);
    ShuffleCounts counts(SeatView{});
    counts.AddRows(bytes.data(), rows.size());
    const FairnessResult result = RunFairnessTests(counts);
    for (const auto& [index, view] : {std::pair{0, BiasView::Cards}, {1, BiasView::Moves}}) {
        const FairnessTest& test = result.tests[static_cast<std::size_t>(index)];
        ASSERT_TRUE(test.largestCell.has_value()) << test.name;
        const LargestCell& cell = *test.largestCell;
        const BiasMap map(counts, view);
        EXPECT_EQ(cell.z, map.Z(cell.row, cell.position)) << test.name;
        for (int i = 0; i < DeckSize; ++i) {
            for (int j = 0; j < DeckSize; ++j) ASSERT_LE(std::fabs(map.Z(i, j)), std::fabs(cell.z));
        }
    }
    EXPECT_EQ(result.tests[0].largestCell->RowName(), "2d");
    EXPECT_EQ(result.tests[0].largestCell->position, 0);
    EXPECT_GT(result.tests[0].largestCell->z, 10);
    // The other two position tests name the suit and rank of the planted card.
    EXPECT_EQ(result.tests[2].largestCell->RowName(), "Diamond");
    EXPECT_EQ(result.tests[3].largestCell->RowName(), "2");
    // Tests without a table of cells have none, and a w only as chi-square tests; the guessing
    // tests, normal rather than chi-square, have none.
    for (std::size_t i = 4; i < result.tests.size(); ++i) {
        const bool guessing = result.tests[i].name.starts_with("guess-");
        EXPECT_FALSE(result.tests[i].largestCell.has_value()) << result.tests[i].name;
        EXPECT_EQ(result.tests[i].w.has_value(), !guessing) << result.tests[i].name;
    }
}

}  // namespace
}  // namespace brevane
