#include "cards/Cards.h"

#include <string_view>

namespace brevane {

std::string CardName(CardCode code) { return std::string{RankLetter[code], SuitLetter[code]}; }

CardCode ParseCardName(std::string_view text) {
    if (text.size() != 2) return 0;
    constexpr std::string_view ranks = "23456789TJQKA";
    constexpr std::string_view suits = "cdhs";
    const auto rank = ranks.find(text[0]);
    const auto suit = suits.find(text[1]);
    if (rank == std::string_view::npos || suit == std::string_view::npos) return 0;
    return MakeCard(static_cast<int>(rank), static_cast<int>(suit));
}

}  // namespace brevane
