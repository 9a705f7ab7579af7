#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <random>
#include <string>

#include "cards/Cards.h"
#include "hand/PokerHand.h"
#include "support/HandSets.h"
#include "support/LiteralEvaluator.h"

namespace brevane {
namespace {

using test::CategoryCounts;
using test::ParseHand;
using test::SevenCards;

std::int32_t Fast(const SevenCards& c) {
    return EvaluateHand(c[0], c[1], c[2], c[3], c[4], c[5], c[6]);
}

std::int32_t Literal(const SevenCards& c) {
    return literal::EvaluateHand(c[0], c[1], c[2], c[3], c[4], c[5], c[6]);
}

struct KnownHand {
    const char* cards;
    std::int32_t value;
};

// Hands with their documented values, including missing community cards and ties in rank.
constexpr KnownHand KnownHands[] = {
    {"Ah Ad - - - - -", 0x2EE000},
    {"Ah Kd - - - - -", 0x1ED000},
    {"7h 2d - - - - -", 0x172000},
    {"2c 2d - - - - -", 0x222000},
    {"Ah Kh Qh Jh Th - -", 0x9EDCBA},
    {"9c Ah Kh Qh Jh Th 2d", 0x9EDCBA},
    {"Ah Kh Qh Jh Th Ac Ad", 0x9EDCBA},
    {"Ah 2h 3h 4h 5h Kc Kd", 0x954321},
    {"9h 8h 7h 6h 5h Ah Kh", 0x998765},
    {"Ts 9s 8s 7s 6s 5s 4s", 0x9A9876},
    {"Ac 2d 3h 4s 5c Kd Qh", 0x554321},
    {"Ac 2d 3h 4s 5c 6d -", 0x565432},
    {"Qc Kd Ah 2s 3c - -", 0x1EDC32},
    {"Ah Kd Qs Jc Th - -", 0x5EDCBA},
    {"Ah Ac Ad Ks Kh Kc 3d", 0x7EEEDD},
    {"7c 7d 7h 5s 5c 5d Ah", 0x777755},
    {"Ah Ac Ad As 5h 5c 5d", 0x8EEEE5},
    {"Ah Ac Ad As Kh - -", 0x8EEEED},
    {"2h 2c 2d 2s Ah Kc Qd", 0x82222E},
    {"Ah Ac Kd Ks Qh Qc 3d", 0x3EEDDC},
    {"Ah Ac Kd Ks Qh 3c -", 0x3EEDDC},
    {"Ah Kh 9h 8h 7h 2h Qc", 0x6ED987},
    {"Ah Kh 9h 8h 7h 2h 3h", 0x6ED987},
    {"9c 8d 7h 6s 5c 5d 2h", 0x598765},
    {"Kh Kd 9c 6s 2h - -", 0x2DD962},
    {"Kh Kd 9c 6s 2h 3c -", 0x2DD963},
    {"Ah Ad Ac Kd Qh Js 9c", 0x4EEEDC},
    {"Kh Qd 9h 6h 5h - -", 0x1DC965},
    // Missing kickers stay 0; they never pair with each other.
    {"Ah Ad Ac - - - -", 0x4EEE00},
    {"Ah Ad Kc Ks - - -", 0x3EEDD0},
    {"5h 5d 9c - - - -", 0x255900},
    {"Ah Ad Ac As - - -", 0x8EEEE0},
    {"Ah Ad Ac Ks Kd - -", 0x7EEEDD},
    {"9s 2c 7d 4h - - -", 0x197420},
    // The cards wait in any community position, not only the first ones.
    {"Ah Ad - - Ac - Kd", 0x4EEED0},
    {"Kh Kd - 9c - 6s 2h", 0x2DD962},
};

TEST(PokerHandTest, KnownHandsGiveTheirValuesInBothEvaluators) {
    for (const KnownHand& hand : KnownHands) {
        const SevenCards cards = ParseHand(hand.cards);
        EXPECT_EQ(Fast(cards), hand.value) << hand.cards;
        EXPECT_EQ(Literal(cards), hand.value) << hand.cards;
    }
}

TEST(PokerHandTest, MissingHoleCardGivesZeroWhateverTheBoard) {
    const SevenCards full = ParseHand("Ah Kh Qh Jh Th 9h 8h");
    for (int hole = 0; hole < 2; ++hole) {
        SevenCards cards = full;
        cards[hole] = 0;
        EXPECT_EQ(Fast(cards), 0);
        EXPECT_EQ(Literal(cards), 0);
    }
    EXPECT_EQ(EvaluateHand(0, 0, 0, 0, 0, 0, 0), 0);
    EXPECT_EQ(literal::EvaluateHand(0, 0, 0, 0, 0, 0, 0), 0);
}

// Every order of the seven arguments that keeps both hole arguments non-zero gives the same
// value, missing cards included.
TEST(PokerHandTest, ArgumentOrderDoesNotMatterOnceHoleCardsAreKnown) {
    const char* const hands[] = {"Ah 2h 3h 4h 5h Kc Kd", "Ah Ac Kd Ks Qh Qc 3d",
                                 "Kh Kd 9c 6s 2h - -", "Qc Kd Ah 2s 3c - -", "7h 2d - - - - -"};
    for (const char* text : hands) {
        const SevenCards original = ParseHand(text);
        const std::int32_t expected = Fast(original);
        SevenCards cards = original;
        std::sort(cards.begin(), cards.end());
        int orders = 0;
        do {
            if (cards[0] == 0 || cards[1] == 0) continue;
            ++orders;
            ASSERT_EQ(Fast(cards), expected) << text;
        } while (std::next_permutation(cards.begin(), cards.end()));
        EXPECT_GT(orders, 1) << text;
    }
}

TEST(PokerHandTest, RandomHandsAgreeWithLiteralInAnyArgumentOrder) {
    std::mt19937 rng(20240611);
    std::array<std::int32_t, DeckSize> deck{};
    for (int i = 0; i < DeckSize; ++i) deck[i] = i + 1;
    for (int n = 0; n < 200000; ++n) {
        std::shuffle(deck.begin(), deck.end(), rng);
        SevenCards cards{};
        const int known = 2 + static_cast<int>(rng() % 6);
        std::copy_n(deck.begin(), known, cards.begin());
        std::shuffle(cards.begin() + 2, cards.end(), rng);
        ASSERT_EQ(Fast(cards), Literal(cards))
            << cards[0] << ' ' << cards[1] << ' ' << cards[2] << ' ' << cards[3] << ' ' << cards[4]
            << ' ' << cards[5] << ' ' << cards[6];
    }
}

TEST(PokerHandTest, CodesOutsideTheDeckReadAsMissingCards) {
    const std::int32_t base = EvaluateHand(49, 50, 0, 0, 0, 0, 0);
    ASSERT_EQ(base, 0x2EE000);
    for (const std::int32_t stray : {53, 63, 64, 100, 255, -1, -128}) {
        EXPECT_EQ(EvaluateHand(49, 50, stray, stray, stray, stray, stray), base) << stray;
    }
}

// Repeated codes are a caller's error; the lookups must still stay inside the tables and give
// a value from the tables (0 or a hand) rather than garbage.
TEST(PokerHandTest, RepeatedCodesStayWithinTheValueRange) {
    for (std::int32_t a = 1; a <= DeckSize; ++a) {
        for (std::int32_t b = 1; b <= DeckSize; ++b) {
            for (const std::int32_t value :
                 {EvaluateHand(a, a, a, a, a, a, a), EvaluateHand(a, b, a, b, a, b, a),
                  EvaluateHand(a, a, b, b, 0, 0, 0)}) {
                ASSERT_GE(value, 0) << a << ' ' << b;
                ASSERT_LE(value, RoyalFlushValue) << a << ' ' << b;
            }
        }
    }
}

TEST(PokerHandTest, FiveCardCategoryCountsMatchPublishedTable) {
    CategoryCounts counts;
    test::ForEachCardSet(5, [&](const SevenCards& c) { counts.Add(Fast(c)); });
    const test::PublishedCounts published = test::PublishedCategoryCounts(5);
    for (int c = 1; c <= 9; ++c) EXPECT_EQ(counts.byCategory[c], published.bestHand[c - 1]) << c;
    EXPECT_EQ(counts.royal, published.royal);
    EXPECT_EQ(counts.byCategory[0], 0);
}

TEST(PokerHandTest, SixCardCategoryCountsMatchPublishedTable) {
    CategoryCounts counts;
    test::ForEachCardSet(6, [&](const SevenCards& c) { counts.Add(Fast(c)); });
    const test::PublishedCounts published = test::PublishedCategoryCounts(6);
    for (int c = 1; c <= 9; ++c) EXPECT_EQ(counts.byCategory[c], published.bestHand[c - 1]) << c;
    EXPECT_EQ(counts.royal, published.royal);
    EXPECT_EQ(counts.byCategory[0], 0);
}

struct Described {
    std::int32_t value;
    const char* text;
};

constexpr Described Descriptions[] = {
    {0x9EDCBA, "Royal Flush"},
    {0x9DCBA9, "Straight Flush, Nine to King"},
    {0x954321, "Straight Flush, Ace to Five"},
    {0x8EEEE5, "Four of a Kind, Aces"},
    {0x82222E, "Four of a Kind, Deuces"},
    {0x7EEEDD, "Full House, Aces full of Kings"},
    {0x777755, "Full House, Sevens full of Fives"},
    {0x6ED987, "Flush, Ace high"},
    {0x5EDCBA, "Straight, Ten to Ace"},
    {0x554321, "Straight, Ace to Five"},
    {0x565432, "Straight, Deuce to Six"},
    {0x4EEEDC, "Three of a Kind, Aces"},
    {0x3EEDDC, "Two Pair, Aces and Kings"},
    {0x3BB33E, "Two Pair, Jacks and Threes"},
    {0x2DD962, "Pair of Kings"},
    {0x2EE000, "Pair of Aces"},
    {0x266000, "Pair of Sixes"},
    {0x1DC965, "High Card King"},
    {0x1ED000, "High Card Ace"},
    {0x1A9000, "High Card Ten"},
    {0, "Error"},
};

TEST(PokerHandTest, DescriptionsNameCategoryAndRanks) {
    for (const Described& d : Descriptions) {
        EXPECT_EQ(HandDescription(d.value), d.text) << std::hex << d.value;
    }
}

TEST(PokerHandTest, DescriptionOfEvaluatedHands) {
    EXPECT_EQ(HandDescription(Fast(ParseHand("9h 8h 7h 6h 5h Ah Kh"))),
              "Straight Flush, Five to Nine");
    EXPECT_EQ(HandDescription(Fast(ParseHand("Ah Ac Kd Ks Qh Qc 3d"))), "Two Pair, Aces and Kings");
    EXPECT_EQ(HandDescription(Fast(ParseHand("Kh Qd 9h 6h 5h - -"))), "High Card King");
    EXPECT_EQ(HandDescription(Fast(ParseHand("- Qd 9h 6h 5h - -"))), "Error");
}

TEST(PokerHandTest, EveryValueBelowHighCardIsError) {
    for (std::int32_t value = 0; value < 0x100000; ++value) {
        ASSERT_EQ(HandDescription(value), "Error") << value;
    }
    EXPECT_EQ(HandDescription(-1), "Error");
    EXPECT_EQ(HandDescription(INT32_MIN), "Error");
}

// Values whose slots all hold 0..14: only the royal flush escapes the straight flush text.
TEST(PokerHandTest, StraightFlushTextForEveryValueButRoyal) {
    int values = 0;
    for (std::int32_t slots = 0; slots <= 0xEEEEE; ++slots) {
        bool inRange = true;
        for (int shift = 0; shift < 20; shift += 4) inRange &= ((slots >> shift) & 0xF) <= 14;
        if (!inRange) continue;
        const std::int32_t value = 0x900000 + slots;
        if (value == RoyalFlushValue) continue;
        ++values;
        ASSERT_EQ(HandDescription(value).rfind("Straight Flush, ", 0), 0u) << std::hex << value;
    }
    EXPECT_EQ(values, 15 * 15 * 15 * 15 * 15 - 1);
}

// A slot of 15 would index past the 15 rank words; such values are no hand.
TEST(PokerHandTest, SlotAboveAceIsError) {
    EXPECT_EQ(HandDescription(0x9FEDCB), "Error");
    EXPECT_EQ(HandDescription(0x2FF000), "Error");
    EXPECT_EQ(HandDescription(0x1EDC9F), "Error");
}

}  // namespace
}  // namespace brevane
