#pragma once

#include <bit>
#include <cstdint>

#include "hand/HandTables.h"

// The body of EvaluateHand, inline so that loops over many hands (reports, the hand finder)
// pay no call. Include hand/PokerHand.h rather than this header.
namespace brevane::hand_tables {

inline std::uint64_t Addend(std::int32_t code) {
    return CardAddend[CardIndex(code)];
}

// Sum of the card addends: biased suit counters in the low 16 bits, the rank key above.
inline std::uint64_t CardSum(std::int32_t c1, std::int32_t c2, std::int32_t c3, std::int32_t c4,
                             std::int32_t c5, std::int32_t c6, std::int32_t c7) {
    return SuitCounterBias + Addend(c1) + Addend(c2) + Addend(c3) + Addend(c4) + Addend(c5) +
           Addend(c6) + Addend(c7);
}

inline std::uint64_t SuitRanks(std::int32_t code) {
    return CardSuitRanks[CardIndex(code)];
}

// The hand when the suit counters in `flags` show a suit with five or more of the cards.
inline std::int32_t FlushHandValue(std::uint64_t flags, std::int32_t c1, std::int32_t c2,
                                   std::int32_t c3, std::int32_t c4, std::int32_t c5,
                                   std::int32_t c6, std::int32_t c7) {
    const int suitShift = (std::countr_zero(flags) & 12) * 4;  // counter lane -> rank lane
    const std::uint64_t suitRanks = SuitRanks(c1) | SuitRanks(c2) | SuitRanks(c3) | SuitRanks(c4) |
                                    SuitRanks(c5) | SuitRanks(c6) | SuitRanks(c7);
    const auto mask = static_cast<std::uint32_t>(suitRanks >> suitShift) & (FlushTableSize - 1);
    return static_cast<std::int32_t>(FlushTable[mask]);
}

// A suit with five or more cards decides the hand through its rank mask alone (quads and full
// houses cannot then occur); otherwise the multiset of ranks decides it.
inline std::int32_t EvaluateSeven(std::int32_t hole1, std::int32_t hole2, std::int32_t flop1,
                                  std::int32_t flop2, std::int32_t flop3, std::int32_t turn,
                                  std::int32_t river) {
    if (hole1 == 0 || hole2 == 0) return 0;
    const std::uint64_t sum = CardSum(hole1, hole2, flop1, flop2, flop3, turn, river);
    if (const std::uint64_t flags = sum & FlushFlags) [[unlikely]] {
        return FlushHandValue(flags, hole1, hole2, flop1, flop2, flop3, turn, river);
    }
    const auto rankKey = static_cast<std::uint32_t>(sum >> RankKeyShift);
    const std::uint32_t slot = SlotOf(HashPosition(rankKey), RankDisplacement[HashBucket(rankKey)]);
    return static_cast<std::int32_t>(RankTable[slot]);
}

}  // namespace brevane::hand_tables
