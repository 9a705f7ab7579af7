#pragma once

#include <gtest/gtest.h>

#include "stats/ShuffleCounts.h"

namespace brevane::test {

// Every count of `a` equals that of `b`, the first and last row included.
inline void ExpectSameCounts(const ShuffleCounts& a, const ShuffleCounts& b) {
    EXPECT_EQ(a.Rows(), b.Rows());
    EXPECT_EQ(a.Pairs(), b.Pairs());
    EXPECT_EQ(a.CardPosition(), b.CardPosition());
    EXPECT_EQ(a.Moves(), b.Moves());
    EXPECT_EQ(a.RisingSequences(), b.RisingSequences());
    EXPECT_EQ(a.FixedPoints(), b.FixedPoints());
    EXPECT_EQ(a.HandCategories(), b.HandCategories());
    EXPECT_EQ(a.FirstRow(), b.FirstRow());
    EXPECT_EQ(a.LastRow(), b.LastRow());
}

}  // namespace brevane::test
