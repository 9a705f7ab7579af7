#pragma once

#include <bit>
#include <cstdint>

#include "hand/HandTables.h"

// The body of EvaluateHand, inline so that loops over many hands (reports, the hand finder)
// pay no call. Include hand/PokerHand.h rather than this header.
namespace brevane::hand_tables {

// The hand when the suit counters of `sum` show a suit with five or more of the cards, given
// by their table indices.
inline std::int32_t FlushHandValue(std::uint64_t sum, std::size_t i1, std::size_t i2,
                                   std::size_t i3, std::size_t i4, std::size_t i5, std::size_t i6,
                                   std::size_t i7) {
    const std::uint64_t* ranks = Tables.suitRanks;
    const std::uint64_t suitRanks =
        ranks[i1] | ranks[i2] | ranks[i3] | ranks[i4] | ranks[i5] | ranks[i6] | ranks[i7];
    // The flush suit's flag is bit 3 of its 4-bit counter; its rank lane is 16 bits wide.
    const int suit = std::countr_zero(sum & FlushFlags) / 4;
    const auto mask = static_cast<std::uint32_t>(suitRanks >> (16 * suit)) & (FlushTableSize - 1);
    return static_cast<std::int32_t>(Tables.flushValue[mask]);
}

// The hand when no suit holds five of the cards: the rank key's row offset, then its value.
inline std::int32_t RankHandValue(std::uint64_t sum) {
    const std::uint32_t row = static_cast<std::uint32_t>(sum) >> RankKeyShift;  // RankRow(key)
    const auto column = static_cast<std::uint32_t>(sum >> 32);                  // RankColumn(key)
    const std::uint32_t slot = column + Tables.rankOffset[row];
    return static_cast<std::int32_t>(Tables.rankValue[slot]);
}

// A missing hole card gives no hand. The cards come as table indices, the form they already
// have on the common path, so that a loop keeps no second copy of them in registers.
inline std::int32_t RareHandValue(std::uint64_t sum, std::size_t i1, std::size_t i2, std::size_t i3,
                                  std::size_t i4, std::size_t i5, std::size_t i6, std::size_t i7) {
    if (sum & HoleMissingFlags) return 0;
    return FlushHandValue(sum, i1, i2, i3, i4, i5, i6, i7);
}

// A suit with five or more cards decides the hand through its rank mask alone (quads and full
// houses cannot then occur); otherwise the multiset of ranks decides it. One test sends both
// that case and a missing hole card off the common path.
inline std::int32_t EvaluateSeven(std::int32_t hole1, std::int32_t hole2, std::int32_t flop1,
                                  std::int32_t flop2, std::int32_t flop3, std::int32_t turn,
                                  std::int32_t river) {
    const std::size_t i1 = CardIndex(hole1), i2 = CardIndex(hole2), i3 = CardIndex(flop1),
                      i4 = CardIndex(flop2), i5 = CardIndex(flop3), i6 = CardIndex(turn),
                      i7 = CardIndex(river);
    const std::uint64_t* hole = Tables.holeAddend;
    const std::uint64_t* board = Tables.boardAddend;
    const std::uint64_t sum = SuitCounterBias + hole[i1] + hole[i2] + board[i3] + board[i4] +
                              board[i5] + board[i6] + board[i7];
    if (sum & (FlushFlags | HoleMissingFlags)) [[unlikely]] {
        return RareHandValue(sum, i1, i2, i3, i4, i5, i6, i7);
    }
    return RankHandValue(sum);
}

}  // namespace brevane::hand_tables
