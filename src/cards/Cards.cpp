#include "cards/Cards.h"

#include <string_view>

namespace brevane {

std::string CardName(CardCode code) {
    return std::string{RankLetter[code], SuitLetter[code]};
}

CardCode ParseCardName(std::string_view text) {
    if (text.size() != 2) return 0;
    const auto rank = RankLetters.find(text[0]);
    const auto suit = SuitLetters.find(text[1]);
    if (rank == std::string_view::npos || suit == std::string_view::npos) return 0;
    return MakeCard(static_cast<int>(rank), static_cast<int>(suit));
}

}  // namespace brevane
