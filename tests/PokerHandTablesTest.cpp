#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "cards/Cards.h"
#include "hand/HandRules.h"
#include "hand/PokerHand.h"
#include "hand/generator/RankAddendSearch.h"
#include "support/HandSets.h"
#include "support/LiteralEvaluator.h"

// The lookup tables behind the fast evaluator: the rank keys, where they land, and what odd
// codes read.
namespace brevane {
namespace {

using namespace hand_tables;
using test::SevenCards;

constexpr int RankMultisets = 76141;  // 2 to 7 cards, at most four of a rank

std::vector<std::uint64_t> Addends() {
    return {RankAddend.begin(), RankAddend.end()};
}

TEST(PokerHandTablesTest, RankAddendsTellEveryMultisetApartAndEachIsTheLeast) {
    EXPECT_TRUE(rank_addends::TotalsDistinct(Addends()));
    // One less than any addend clashes with the ranks below it, as the greedy choice implies.
    for (std::size_t r = 1; r < RankAddend.size(); ++r) {
        std::vector<std::uint64_t> prefix(RankAddend.begin(), RankAddend.begin() + r + 1);
        if (--prefix[r] == prefix[r - 1]) continue;
        EXPECT_FALSE(rank_addends::TotalsDistinct(prefix)) << "rank index " << r;
    }
    std::vector<std::uint64_t> repeated = Addends();
    repeated[3] = repeated[2];
    EXPECT_FALSE(rank_addends::TotalsDistinct(repeated));
}

// Every multiset fills its own slot: a slot taken twice would leave fewer non-zero values.
TEST(PokerHandTablesTest, EveryRankMultisetHasItsOwnSlot) {
    int filled = 0;
    for (const std::uint32_t value : Tables.rankValue) filled += value != 0;
    EXPECT_EQ(filled, RankMultisets);
}

// Whatever seven entries a caller's codes pick, the slot lies inside the value table.
TEST(PokerHandTablesTest, EveryRowOffsetKeepsItsRowInsideTheValueTable) {
    ASSERT_LT(RankColumn(MaxRankKey), RowWidth);
    for (std::uint32_t row = 0; row < OffsetCount; ++row) {
        ASSERT_LE(Tables.rankOffset[row], RankTableSize - RowWidth) << row;
    }
    std::uint64_t sevenAces = 0;
    for (int k = 0; k < 7; ++k) sevenAces += BoardAddend(MakeCard(12, k % 4));
    EXPECT_EQ(sevenAces >> RankKeyShift, MaxRankKey);
}

// One hand per rank multiset, suits dealt in turn so that no suit holds five, against the
// literal evaluator: every slot the common path reads. The known community cards move
// between the first and the last community positions.
TEST(PokerHandTablesTest, EveryRankMultisetAgreesWithLiteral) {
    int checked = 0, mismatches = 0;
    auto visit = [&](const hand_rules::RankCounts& counts) {
        std::vector<std::int32_t> known;
        for (int rank = RankCount - 1; rank >= 0; --rank) {
            for (int n = 0; n < counts[rank]; ++n) {
                known.push_back(MakeCard(rank, static_cast<int>(known.size()) % SuitCount));
            }
        }
        SevenCards cards{known[0], known[1], 0, 0, 0, 0, 0};
        const std::size_t board = known.size() - 2;
        const std::size_t first = checked % 2 ? 5 - board : 0;
        for (std::size_t k = 0; k < board; ++k) cards[2 + first + k] = known[2 + k];
        const std::int32_t fast =
            EvaluateHand(cards[0], cards[1], cards[2], cards[3], cards[4], cards[5], cards[6]);
        const std::int32_t literal = literal::EvaluateHand(cards[0], cards[1], cards[2], cards[3],
                                                           cards[4], cards[5], cards[6]);
        ++checked;
        if (fast != literal && mismatches++ < 5) {
            ADD_FAILURE() << std::hex << "fast 0x" << fast << " literal 0x" << literal;
        }
    };
    hand_rules::RankCounts counts{};
    hand_rules::ForEachRankMultiset(visit, counts);
    EXPECT_EQ(checked, RankMultisets);
    EXPECT_EQ(mismatches, 0);
}

// A hole code whose low byte is 0 reads as a missing hole card, on the common path and on the
// flush path; elsewhere such a code is a missing card.
TEST(PokerHandTablesTest, HoleCodeReadingAsZeroGivesNoHand) {
    const SevenCards pair = test::ParseHand("Ah Ad 7c 2s 9d - -");
    const SevenCards flush = test::ParseHand("Ah Kh Qh Jh 9h 2c 3d");
    for (const SevenCards& cards : {pair, flush}) {
        for (const std::int32_t missing : {0, 256, -256}) {
            EXPECT_EQ(
                EvaluateHand(missing, cards[1], cards[2], cards[3], cards[4], cards[5], cards[6]),
                0);
            EXPECT_EQ(
                EvaluateHand(cards[0], missing, cards[2], cards[3], cards[4], cards[5], cards[6]),
                0);
            EXPECT_EQ(
                EvaluateHand(missing, missing, cards[2], cards[3], cards[4], cards[5], cards[6]),
                0);
        }
    }
    EXPECT_EQ(EvaluateHand(pair[0], pair[1], 256, pair[3], pair[4], 512, 0), 0x2EE920);
}

}  // namespace
}  // namespace brevane
