#include "hand/PokerHand.h"

#include <bit>

#include "hand/FastEvaluator.h"

namespace brevane::hand_tables {

namespace {

inline std::uint64_t SuitRanks(std::int32_t code) {
    return CardSuitRanks[CardIndex(code)];
}

}  // namespace

std::int32_t FlushHandValue(std::int32_t c1, std::int32_t c2, std::int32_t c3, std::int32_t c4,
                            std::int32_t c5, std::int32_t c6, std::int32_t c7) {
    const std::uint64_t flags = CardSum(c1, c2, c3, c4, c5, c6, c7) & FlushFlags;
    if (flags == 0) return 0;  // only called when a suit has five cards
    const int suitShift = (std::countr_zero(flags >> 32) & ~3) * 4;  // counter lane -> rank lane
    const std::uint64_t suitRanks = SuitRanks(c1) | SuitRanks(c2) | SuitRanks(c3) | SuitRanks(c4) |
                                    SuitRanks(c5) | SuitRanks(c6) | SuitRanks(c7);
    const auto mask = static_cast<std::uint32_t>(suitRanks >> suitShift) & (FlushTableSize - 1);
    return static_cast<std::int32_t>(FlushTable[mask]);
}

}  // namespace brevane::hand_tables
