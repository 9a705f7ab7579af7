#include <gtest/gtest.h>

#include "analysis/ReportLines.h"
#include "support/HandSets.h"

namespace brevane {
namespace {

// Published counts of the ten categories over all 133,784,560 seven-card hands, counted as a
// stream of rows by the hand category counter at the River: seat D of two players reads 2 and 4,
// then the board at 5 to 9.
TEST(HandCategorySlow, EverySevenCardHandAtTheRiver) {
    HandCategoryCounter counter(SeatView{2, 0, Stage::River});
    std::uint8_t row[52] = {};
    const int positions[7] = {2, 4, 5, 6, 7, 8, 9};
    test::ForEachCardSet(7, [&](const test::SevenCards& c) {
        for (int i = 0; i < 7; ++i) row[positions[i] - 1] = static_cast<std::uint8_t>(c[i]);
        counter.Add(row);
    });
    EXPECT_EQ(counter.Counts(), test::PublishedReportCounts(7));
    EXPECT_EQ(counter.Rows(), 133784560u);
}

}  // namespace
}  // namespace brevane
