#include "hand/PokerHand.h"

#include <bit>

#include "hand/HandTables.h"

namespace brevane {

namespace {

using namespace hand_tables;

inline const CardEntry& Entry(std::int32_t code) {
    return CardEntries[static_cast<std::uint32_t>(code) & CardCodeMask];
}

// The suit whose counter reached five picks its rank mask out of the cards' suit lanes.
[[gnu::noinline]] std::int32_t FlushValue(std::uint64_t flushFlags, const std::int32_t* cards) {
    const int lane = std::countr_zero(flushFlags >> 32) & ~3;  // 4-bit counter of the suit
    std::uint64_t suitRanks = 0;
    for (int k = 0; k < 7; ++k) suitRanks |= Entry(cards[k]).suitRanks;
    const auto mask = static_cast<std::uint32_t>(suitRanks >> (lane * 4)) & (FlushTableSize - 1);
    return static_cast<std::int32_t>(FlushTable[mask]);
}

}  // namespace

// Sum of the card entries: base-5 rank counts in the low word and biased suit counters above.
// A suit with five or more cards decides the hand through its rank mask alone (quads and
// full houses cannot then occur); otherwise the rank counts decide it.
std::int32_t EvaluateHand(std::int32_t hole1, std::int32_t hole2, std::int32_t flop1,
                          std::int32_t flop2, std::int32_t flop3, std::int32_t turn,
                          std::int32_t river) {
    if (hole1 == 0 || hole2 == 0) return 0;
    const std::uint64_t sum = SuitCounterBias + Entry(hole1).addend + Entry(hole2).addend +
                              Entry(flop1).addend + Entry(flop2).addend + Entry(flop3).addend +
                              Entry(turn).addend + Entry(river).addend;
    if (const std::uint64_t flushFlags = sum & FlushFlags) [[unlikely]] {
        const std::int32_t cards[7] = {hole1, hole2, flop1, flop2, flop3, turn, river};
        return FlushValue(flushFlags, cards);
    }
    const auto rankKey = static_cast<std::uint32_t>(sum);
    const std::uint32_t slot = SlotOf(HashPosition(rankKey), RankDisplacement[HashBucket(rankKey)]);
    return static_cast<std::int32_t>(RankTable[slot]);
}

}  // namespace brevane
