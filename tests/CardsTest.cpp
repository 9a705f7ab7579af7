#include <gtest/gtest.h>

#include <set>

#include "cards/Cards.h"

namespace brevane {
namespace {

TEST(Cards, MissingCardEntries) {
    EXPECT_EQ(CardName(0), "0x");
    EXPECT_EQ(RankValue[0], 0);
    EXPECT_EQ(SuitLetter[0], 'x');
    EXPECT_EQ(RankLetter[0], '0');
}

TEST(Cards, NamesFollowTheCodeOrder) {
    std::set<std::string> names;
    for (CardCode c = 1; c <= DeckSize; ++c) names.insert(CardName(c));
    EXPECT_EQ(names.size(), 52u);
    EXPECT_EQ(CardName(1), "2c");
    EXPECT_EQ(CardName(2), "2d");
    EXPECT_EQ(CardName(3), "2h");
    EXPECT_EQ(CardName(4), "2s");
    EXPECT_EQ(CardName(5), "3c");
    EXPECT_EQ(CardName(52), "As");
    EXPECT_EQ(CardName(33), "Tc");
    EXPECT_EQ(CardName(34), "Td");
    EXPECT_EQ(CardName(35), "Th");
    EXPECT_EQ(CardName(36), "Ts");
}

TEST(Cards, TablesAgreeWithTheCodeFormulas) {
    for (CardCode c = 1; c <= DeckSize; ++c) {
        EXPECT_EQ(RankValue[c], RankIndex(c) + 2);
        EXPECT_EQ(MakeCard(RankIndex(c), SuitIndex(c)), c);
        EXPECT_EQ(SuitLetter[c], "cdhs"[SuitIndex(c)]);
        if (c > 1) {
            EXPECT_GE(RankIndex(c), RankIndex(c - 1));  // codes ascend with rank
        }
    }
    for (CardCode c = 49; c <= 52; ++c) EXPECT_EQ(RankValue[c], 14);
}

TEST(Cards, ParseCardNameIsTheInverseOfCardName) {
    for (CardCode c = 1; c <= DeckSize; ++c) EXPECT_EQ(ParseCardName(CardName(c)), c);
    for (const char* bad : {"", "A", "Ahh", "1h", "ah", "AH", "0x", "10h", "Ax"})
        EXPECT_EQ(ParseCardName(bad), 0) << bad;
}

}  // namespace
}  // namespace brevane
