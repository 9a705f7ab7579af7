#include "hand/PokerHand.h"

#include "cards/Cards.h"
#include "hand/HandRules.h"

namespace brevane {

std::int32_t EvaluateHand(std::int32_t hole1, std::int32_t hole2, std::int32_t flop1,
                          std::int32_t flop2, std::int32_t flop3, std::int32_t turn,
                          std::int32_t river) {
    if (hole1 == 0 || hole2 == 0) return 0;
    const std::int32_t cards[7] = {hole1, hole2, flop1, flop2, flop3, turn, river};
    hand_rules::RankCounts counts{};
    unsigned suitMasks[4] = {};
    int suitCounts[4] = {};
    for (const std::int32_t card : cards) {
        if (card <= 0 || card > DeckSize) continue;
        ++counts[RankIndex(card)];
        suitMasks[SuitIndex(card)] |= 1u << RankIndex(card);
        ++suitCounts[SuitIndex(card)];
    }
    for (int suit = 0; suit < 4; ++suit) {
        if (suitCounts[suit] >= 5) return hand_rules::ValueFromSuitMask(suitMasks[suit]);
    }
    return hand_rules::ValueFromRankCounts(counts);
}

}  // namespace brevane
