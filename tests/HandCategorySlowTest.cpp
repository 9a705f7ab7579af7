#include <gtest/gtest.h>

#include "analysis/ReportCounters.h"

namespace brevane {
namespace {

// Published counts of the ten categories over all 133,784,560 seven-card hands, counted as a
// stream of rows by the hand category counter at the River: seat D of two players reads 2 and 4,
// then the board at 5 to 9.
TEST(HandCategorySlow, EverySevenCardHandAtTheRiver) {
    HandCategoryCounter counter(2, 0, 3);
    std::uint8_t row[52] = {};
    const int positions[7] = {2, 4, 5, 6, 7, 8, 9};
    int c[7];
    for (c[0] = 1; c[0] <= 46; ++c[0])
        for (c[1] = c[0] + 1; c[1] <= 47; ++c[1])
            for (c[2] = c[1] + 1; c[2] <= 48; ++c[2])
                for (c[3] = c[2] + 1; c[3] <= 49; ++c[3])
                    for (c[4] = c[3] + 1; c[4] <= 50; ++c[4])
                        for (c[5] = c[4] + 1; c[5] <= 51; ++c[5])
                            for (c[6] = c[5] + 1; c[6] <= 52; ++c[6]) {
                                for (int i = 0; i < 7; ++i) row[positions[i] - 1] = c[i];
                                counter.Add(row);
                            }
    const std::array<std::uint64_t, 10> published = {23294460, 58627800, 31433400, 6461620, 6180020,
                                                     4047644,  3473184,  224848,   37260,   4324};
    EXPECT_EQ(counter.Counts(), published);
    EXPECT_EQ(counter.Rows(), 133784560u);
}

}  // namespace
}  // namespace brevane
