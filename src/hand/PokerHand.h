#pragma once

#include <cstdint>
#include <string>

#include "hand/FastEvaluator.h"
#include "hand/HandDescription.h"

namespace brevane {

// Hand value: category (1 high card .. 9 straight flush) in bits 20-23, then five 4-bit rank
// slots; larger is better, 0 is no hand. The royal flush is exactly RoyalFlushValue.
inline constexpr std::int32_t RoyalFlushValue = 0x9EDCBA;

// Best hand of a seat's seven cards (hole 1, hole 2, flop 1-3, turn, river); card codes 0..52,
// 0 being a card not dealt. Returns 0 when either hole card is 0. Pure and thread-safe.
// Inline: a few table lookups, so loops over many rows pay no call.
inline std::int32_t EvaluateHand(std::int32_t hole1, std::int32_t hole2, std::int32_t flop1,
                                 std::int32_t flop2, std::int32_t flop3, std::int32_t turn,
                                 std::int32_t river) {
    return hand_tables::EvaluateSeven(hole1, hole2, flop1, flop2, flop3, turn, river);
}

}  // namespace brevane
