#include "hand/PokerHand.h"

#include <bit>

#include "hand/HandTables.h"

namespace brevane {

namespace {

using namespace hand_tables;

inline std::uint64_t Addend(std::int32_t code) {
    return CardAddend[CardIndex(code)];
}
inline std::uint64_t SuitRanks(std::int32_t code) {
    return CardSuitRanks[CardIndex(code)];
}

// Sum of the card addends: base-5 rank counts in the low word, biased suit counters above.
inline std::uint64_t CardSum(std::int32_t c1, std::int32_t c2, std::int32_t c3, std::int32_t c4,
                             std::int32_t c5, std::int32_t c6, std::int32_t c7) {
    return SuitCounterBias + Addend(c1) + Addend(c2) + Addend(c3) + Addend(c4) + Addend(c5) +
           Addend(c6) + Addend(c7);
}

// The hand when some suit holds five or more cards: that suit's rank mask decides it, since
// quads and full houses cannot then occur. Kept apart so the common path needs no stack.
[[gnu::noinline]] std::int32_t FlushHandValue(std::int32_t c1, std::int32_t c2, std::int32_t c3,
                                              std::int32_t c4, std::int32_t c5, std::int32_t c6,
                                              std::int32_t c7) {
    const std::uint64_t flags = CardSum(c1, c2, c3, c4, c5, c6, c7) & FlushFlags;
    const int suitShift = (std::countr_zero(flags >> 32) & ~3) * 4;  // counter lane -> rank lane
    const std::uint64_t suitRanks = SuitRanks(c1) | SuitRanks(c2) | SuitRanks(c3) | SuitRanks(c4) |
                                    SuitRanks(c5) | SuitRanks(c6) | SuitRanks(c7);
    const auto mask = static_cast<std::uint32_t>(suitRanks >> suitShift) & (FlushTableSize - 1);
    return static_cast<std::int32_t>(FlushTable[mask]);
}

}  // namespace

std::int32_t EvaluateHand(std::int32_t hole1, std::int32_t hole2, std::int32_t flop1,
                          std::int32_t flop2, std::int32_t flop3, std::int32_t turn,
                          std::int32_t river) {
    if ((hole1 == 0) | (hole2 == 0)) return 0;
    const std::uint64_t sum = CardSum(hole1, hole2, flop1, flop2, flop3, turn, river);
    if (sum & FlushFlags) [[unlikely]] {
        return FlushHandValue(hole1, hole2, flop1, flop2, flop3, turn, river);
    }
    const auto rankKey = static_cast<std::uint32_t>(sum);
    const std::uint32_t slot = SlotOf(HashPosition(rankKey), RankDisplacement[HashBucket(rankKey)]);
    return static_cast<std::int32_t>(RankTable[slot]);
}

}  // namespace brevane
