#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "cards/Cards.h"
#include "hand/PokerHand.h"
#include "hand/generator/RankAddendSearch.h"
#include "support/HandSets.h"
#include "support/LiteralEvaluator.h"

namespace brevane {
namespace {

using test::CategoryCounts;
using test::SevenCards;

std::int32_t Fast(const SevenCards& c) {
    return EvaluateHand(c[0], c[1], c[2], c[3], c[4], c[5], c[6]);
}

std::int32_t Literal(const SevenCards& c) {
    return literal::EvaluateHand(c[0], c[1], c[2], c[3], c[4], c[5], c[6]);
}

// Compares the fast evaluator with the literal one and keeps the first disagreement.
struct Agreement {
    std::int64_t checked = 0;
    std::int64_t mismatches = 0;
    std::string first;

    void Check(const SevenCards& cards) {
        ++checked;
        const std::int32_t fast = Fast(cards);
        const std::int32_t literal = Literal(cards);
        if (fast == literal) return;
        if (mismatches++ == 0) {
            std::ostringstream text;
            for (const std::int32_t c : cards) text << (c ? CardName(c) : "-") << ' ';
            text << std::hex << "fast 0x" << fast << " literal 0x" << literal;
            first = text.str();
        }
    }
};

void ExpectAgreementOverSets(int size, std::int64_t expectedSets, int lowestFrom = 1,
                             int lowestTo = DeckSize) {
    Agreement agreement;
    test::ForEachCardSet(
        size, [&](const SevenCards& cards) { agreement.Check(cards); }, lowestFrom, lowestTo);
    EXPECT_EQ(agreement.checked, expectedSets);
    EXPECT_EQ(agreement.mismatches, 0) << "first: " << agreement.first;
}

TEST(PokerHandSlowTest, EveryTwoCardSetAgreesWithLiteral) {
    ExpectAgreementOverSets(2, 1326);
}

TEST(PokerHandSlowTest, EveryFiveCardSetAgreesWithLiteral) {
    ExpectAgreementOverSets(5, 2598960);
}

TEST(PokerHandSlowTest, EverySixCardSetAgreesWithLiteral) {
    ExpectAgreementOverSets(6, 20358520);
}

// The 133,784,560 seven-card sets, split by their lowest card so that test runs spread them.
TEST(PokerHandSlowTest, SevenCardSetsLowestCard1To2AgreeWithLiteral) {
    ExpectAgreementOverSets(7, 18009460 + 15890700, 1, 2);
}

TEST(PokerHandSlowTest, SevenCardSetsLowestCard3To5AgreeWithLiteral) {
    ExpectAgreementOverSets(7, 13983816 + 12271512 + 10737573, 3, 5);
}

TEST(PokerHandSlowTest, SevenCardSetsLowestCard6To10AgreeWithLiteral) {
    ExpectAgreementOverSets(7, 9366819 + 8145060 + 7059052 + 6096454 + 5245786, 6, 10);
}

TEST(PokerHandSlowTest, SevenCardSetsLowestCard11UpAgreeWithLiteral) {
    ExpectAgreementOverSets(7, 26978328, 11, DeckSize);
}

TEST(PokerHandSlowTest, SevenCardCategoryCountsMatchPublishedTable) {
    CategoryCounts counts;
    test::ForEachCardSet(7, [&](const SevenCards& c) { counts.Add(Fast(c)); });
    const test::PublishedCounts published = test::PublishedCategoryCounts(7);
    for (int c = 1; c <= 9; ++c) EXPECT_EQ(counts.byCategory[c], published.bestHand[c - 1]) << c;
    EXPECT_EQ(counts.royal, published.royal);
    EXPECT_EQ(counts.byCategory[0], 0);
}

// Three and four known cards: the community cards in every choice of community positions.
TEST(PokerHandSlowTest, ThreeAndFourCardSetsAgreeInEveryCommunityPosition) {
    for (int size = 3; size <= 4; ++size) {
        Agreement agreement;
        test::ForEachCardSet(size, [&](const SevenCards& set) {
            for (unsigned pattern = 0; pattern < 32; ++pattern) {
                if (std::popcount(pattern) != size - 2) continue;
                SevenCards cards{set[0], set[1], 0, 0, 0, 0, 0};
                int next = 2;
                for (int position = 0; position < 5; ++position) {
                    if (pattern & (1u << position)) cards[2 + position] = set[next++];
                }
                agreement.Check(cards);
            }
        });
        EXPECT_EQ(agreement.checked, size == 3 ? 22100 * 5 : 270725 * 10);
        EXPECT_EQ(agreement.mismatches, 0) << "first: " << agreement.first;
    }
}

// Every pattern of missing community cards, with random cards in random argument order.
TEST(PokerHandSlowTest, RandomHandsAgreeForEveryPatternOfMissingCards) {
    std::mt19937 rng(7177);
    std::array<std::int32_t, DeckSize> deck{};
    for (int i = 0; i < DeckSize; ++i) deck[i] = i + 1;
    Agreement agreement;
    for (unsigned pattern = 0; pattern < 32; ++pattern) {
        for (int n = 0; n < 50000; ++n) {
            std::shuffle(deck.begin(), deck.end(), rng);
            SevenCards cards{deck[0], deck[1], 0, 0, 0, 0, 0};
            for (int position = 0; position < 5; ++position) {
                if (pattern & (1u << position)) cards[2 + position] = deck[2 + position];
            }
            agreement.Check(cards);
        }
    }
    EXPECT_EQ(agreement.checked, 32 * 50000);
    EXPECT_EQ(agreement.mismatches, 0) << "first: " << agreement.first;
}

// The evaluator's rank addends are the ones the greedy search derives.
TEST(PokerHandSlowTest, AddendSearchDerivesTheRankAddends) {
    const std::vector<std::uint64_t> searched = rank_addends::SearchAddends(RankCount);
    const std::vector<std::uint64_t> used(hand_tables::RankAddend.begin(),
                                          hand_tables::RankAddend.end());
    EXPECT_EQ(searched, used);
}

}  // namespace
}  // namespace brevane
