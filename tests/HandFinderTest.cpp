#include "analysis/HandFinder.h"

#include <gtest/gtest.h>

#include "AnalysisReference.h"
#include "analysis/Seats.h"
#include "hand/PokerHand.h"

namespace brevane {
namespace {

SeatView View(std::int32_t n, std::int32_t p, std::int32_t stage) {
    return {n, p, StageAt(stage)};
}

TEST(HandFinder, CaptionsInListOrder) {
    const std::vector<std::string> want = {"High Card",
                                           "Pair -",
                                           "Pair",
                                           "Pair +",
                                           "Two Pair -",
                                           "Two Pair",
                                           "Two Pair +",
                                           "Three of a Kind -",
                                           "Three of a Kind",
                                           "Three of a Kind +",
                                           "Straight -",
                                           "Straight",
                                           "Straight +",
                                           "Flush -",
                                           "Flush",
                                           "Flush +",
                                           "Full House -",
                                           "Full House",
                                           "Full House +",
                                           "Four of a Kind -",
                                           "Four of a Kind",
                                           "Four of a Kind +",
                                           "Straight Flush -",
                                           "Straight Flush",
                                           "Straight Flush +",
                                           "Royal Flush"};
    ASSERT_EQ(HandClassCaptions.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(HandClassCaptions[i], want[i]);
        EXPECT_EQ(HandClassFromCaption(want[i]), static_cast<std::int32_t>(i));
    }
    EXPECT_FALSE(HandClassFromCaption("Pair-"));
    EXPECT_FALSE(HandClassFromCaption("pair"));
    EXPECT_FALSE(HandClassFromCaption("Full House  +"));
}

TEST(HandFinder, ClassesMatchLikeTheTableAtEveryBoundary) {
    std::vector<std::int32_t> values = {
        std::numeric_limits<std::int32_t>::min(), -1, 0, 1, RoyalFlushValue, RoyalFlushValue + 1,
        std::numeric_limits<std::int32_t>::max()};
    for (std::int32_t c = 1; c <= 10; ++c) {
        for (std::int32_t delta : {-1, 0, 1}) values.push_back(c * 0x100000 + delta);
    }
    for (std::int32_t delta : {-1, 0, 1}) values.push_back(RoyalFlushValue + delta);
    for (std::int32_t handClass = -2; handClass <= 27; ++handClass) {
        for (const std::int32_t v : values) {
            EXPECT_EQ(HandClassMatches(handClass, v), reference::ClassMatches(handClass, v))
                << "class " << handClass << " value " << std::hex << v;
        }
    }
}

TEST(HandFinder, StraightFlushAndRoyalFlushClasses) {
    const std::int32_t kingHigh = 0x9DCBA9, fiveHigh = 0x954321;
    EXPECT_TRUE(HandClassMatches(25, RoyalFlushValue));
    EXPECT_FALSE(HandClassMatches(25, kingHigh));
    EXPECT_TRUE(HandClassMatches(23, kingHigh));
    EXPECT_TRUE(HandClassMatches(23, fiveHigh));
    EXPECT_FALSE(HandClassMatches(23, RoyalFlushValue));
    EXPECT_TRUE(HandClassMatches(24, RoyalFlushValue));
    EXPECT_TRUE(HandClassMatches(24, fiveHigh));
    EXPECT_FALSE(HandClassMatches(22, RoyalFlushValue));
    EXPECT_TRUE(HandClassMatches(22, kingHigh));
    EXPECT_TRUE(HandClassMatches(0, 0));
    EXPECT_TRUE(HandClassMatches(3, RoyalFlushValue));
}

// The first matching row by the literal rules, or -1.
long long SlowFind(const ShuffleList& list, long long start, int handClass, int n, int p, int s) {
    for (long long r = start; r < static_cast<long long>(list.Count()); ++r) {
        if (reference::ClassMatches(handClass,
                                    reference::Evaluate(reference::PlayerCards(list, r, n, p, s))))
            return r;
    }
    return -1;
}

long long AsIndex(std::optional<std::size_t> row) {
    return row ? static_cast<long long>(*row) : -1;
}

TEST(HandFinder, AgreesWithTheLiteralSearchForEveryClassSeatAndStage) {
    const ShuffleList list = reference::ShuffledList(400, 7);
    for (std::int32_t n : {2, 3, 6, 10}) {
        for (std::int32_t p = 0; p < 2 * n; ++p) {
            for (std::int32_t s = 0; s < 4; ++s) {
                for (std::int32_t handClass = -1; handClass <= 26; ++handClass) {
                    for (std::size_t start : {0, 1, 37, 399}) {
                        ASSERT_EQ(AsIndex(FindNextHandRow(list, start, handClass, View(n, p, s))),
                                  SlowFind(list, static_cast<long long>(start), handClass, n, p, s))
                            << "n " << n << " seat " << p << " stage " << s << " class "
                            << handClass << " start " << start;
                    }
                }
            }
        }
    }
}

TEST(HandFinder, StartRowRules) {
    ShuffleList list;
    // Row 0: seat D at two players holds a pocket pair of aces; row 1 and 2 do not pair.
    list.Append(reference::RowWith({{2, "Ah"}, {4, "Ad"}}));
    list.Append(reference::RowWith({{2, "2c"}, {4, "9d"}}));
    list.Append(reference::RowWith({{2, "3c"}, {4, "Kd"}}));
    const std::int32_t pairPlus = 3, twoPairPlus = 6, pairMinus = 1;
    EXPECT_EQ(FindNextHandRow(list, 0, pairPlus, View(2, 0, 0)), 0u);
    EXPECT_EQ(FindNextHandRow(list, 1, pairPlus, View(2, 0, 0)), std::nullopt);  // not found behind
    EXPECT_EQ(FindNextHandRow(list, 2, pairMinus, View(2, 0, 0)), 2u);  // last row examined
    EXPECT_EQ(FindNextHandRow(list, 3, pairMinus, View(2, 0, 0)), std::nullopt);
    EXPECT_EQ(FindNextHandRow(list, 1000, pairMinus, View(2, 0, 0)), std::nullopt);
    EXPECT_EQ(FindNextHandRow(list, 0, twoPairPlus, View(2, 0, 0)), std::nullopt);  // Hole stage
    EXPECT_EQ(FindNextHandRow(ShuffleList{}, 0, pairMinus, View(2, 0, 0)), std::nullopt);
}

TEST(HandFinder, RotatingSeatUsesEachRowsOwnIndex) {
    ShuffleList list;
    // Two players, "D  (rotate)": row r holds the seat's cards at 2, 4 on even rows and 1, 3 on
    // odd ones. Place a pocket pair only where the rotating seat sits on row 3.
    for (int r = 0; r < 6; ++r) {
        list.Append(r == 3 ? reference::RowWith({{1, "Kc"}, {3, "Kd"}, {2, "2c"}, {4, "7d"}})
                           : reference::RowWith({{1, "2h"}, {3, "9s"}, {2, "4c"}, {4, "Jd"}}));
    }
    const std::int32_t pair = 2;
    EXPECT_EQ(FindNextHandRow(list, 0, pair, View(2, 2, 0)), 3u);
    EXPECT_EQ(FindNextHandRow(list, 2, pair, View(2, 2, 0)), 3u);
    EXPECT_EQ(FindNextHandRow(list, 3, pair, View(2, 2, 0)), 3u);
    EXPECT_EQ(FindNextHandRow(list, 0, pair, View(2, 0, 0)), std::nullopt);  // fixed D: 2 and 4
    EXPECT_EQ(FindNextHandRow(list, 0, pair, View(2, 1, 0)), 3u);            // fixed D-1: 1 and 3
}

}  // namespace
}  // namespace brevane
