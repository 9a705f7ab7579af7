#include "analysis/HandPanelText.h"

#include "cards/Cards.h"
#include "hand/PokerHand.h"

namespace brevane {

std::string HandPanelCaption(const SevenCards& cards, Stage stage) {
    return HandPanelCaption(
        cards, stage,
        EvaluateHand(cards[0], cards[1], cards[2], cards[3], cards[4], cards[5], cards[6]));
}

std::string HandPanelCaption(const SevenCards& cards, Stage stage, std::int32_t value) {
    std::string text = "[";
    text += CardName(cards[0]);
    text += ' ';
    text += CardName(cards[1]);
    text += ']';
    const std::int32_t boardCount = BoardCardCount(stage);
    for (std::int32_t i = 0; i < boardCount; ++i) {
        text += i == 0 ? " [" : " ";
        text += CardName(cards[static_cast<std::size_t>(2 + i)]);
    }
    if (boardCount > 0) text += "]";
    text += "  =  ";
    text += HandDescription(value);
    return text;
}

std::string HandPanelCaption(const ShuffleList& list, std::optional<std::size_t> row,
                             const SeatView& view) {
    if (!row) return {};
    const auto index = static_cast<std::int64_t>(*row);
    return HandPanelCaption(GetPlayerCards(list, index, view), view.stage);
}

}  // namespace brevane
