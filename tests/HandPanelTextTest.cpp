#include "analysis/HandPanelText.h"

#include <gtest/gtest.h>

#include "AnalysisReference.h"
#include "hand/PokerHand.h"

namespace brevane {
namespace {

SeatView View(std::int32_t n, std::int32_t p, std::int32_t stage) {
    return {n, p, StageAt(stage)};
}

SevenCards Cards(const std::vector<std::string>& names) {
    SevenCards cards{};
    for (std::size_t i = 0; i < names.size(); ++i) cards[i] = ParseCardName(names[i]);
    return cards;
}

TEST(HandPanelText, CaptionAtEachStage) {
    EXPECT_EQ(HandPanelCaption(Cards({"Ah", "Ad"}), StageAt(0)), "[Ah Ad]  =  Pair of Aces");
    EXPECT_EQ(HandPanelCaption(Cards({"Ah", "Ad", "2c", "7h", "9s"}), StageAt(1)),
              "[Ah Ad] [2c 7h 9s]  =  Pair of Aces");
    EXPECT_EQ(HandPanelCaption(Cards({"Ah", "Ad", "2c", "7h", "9s", "Kd"}), StageAt(2)),
              "[Ah Ad] [2c 7h 9s Kd]  =  Pair of Aces");
    EXPECT_EQ(HandPanelCaption(Cards({"Th", "9h", "8h", "7h", "6h", "2c", "Kd"}), StageAt(3)),
              "[Th 9h] [8h 7h 6h 2c Kd]  =  Straight Flush, Six to Ten");
}

TEST(HandPanelText, CaptionIsBuiltFromTheSeatsCardsAndWords) {
    const ShuffleList list = reference::ShuffledList(40, 4);
    for (std::size_t r = 0; r < list.Count(); ++r) {
        for (std::int32_t s = 0; s < 4; ++s) {
            const reference::Cards7 c =
                reference::PlayerCards(list, static_cast<long long>(r), 7, 9, s);
            std::string want = "[";
            want += CardName(c[0]);
            want += ' ';
            want += CardName(c[1]);
            want += ']';
            const int board[] = {0, 3, 4, 5};
            for (int i = 0; i < board[s]; ++i) {
                want += i == 0 ? " [" : " ";
                want += CardName(c[2 + i]);
            }
            if (s > 0) want += "]";
            want += "  =  ";
            want += HandDescription(reference::Evaluate(c));
            EXPECT_EQ(HandPanelCaption(list, r, View(7, 9, s)), want);
        }
    }
}

TEST(HandPanelText, NoRowGivesTheEmptyCaption) {
    const ShuffleList list = reference::ShuffledList(2);
    EXPECT_EQ(HandPanelCaption(list, std::nullopt, View(10, 0, 3)), "");
}

}  // namespace
}  // namespace brevane
