#pragma once

#include <cstdint>

#include "models/ShuffleModel.h"
#include "random/PRNG.h"

namespace brevane {

// Applies one shuffle of `model` to 52 one-byte cards in place (element 0 is deck position 1,
// the first card dealt), drawing from `generator` as one indivisible run; a procedure applies
// its steps in turn within that run. Positions below are 0-based.
// - fisher-yates: ShuffleDeck's pass.
// - naive-swap: for i = 0 to 51, swap positions i and RandomBelow(52).
// - byte-modulo: for m = 52 down to 2, swap positions NextRandomByte() mod m and m - 1.
// - riffle:K: K Gilbert-Shannon-Reeds riffles. The cut c is the sum of 52 RandomBelow(2); the
//   top packet is positions 0 to c - 1. While both packets hold cards, u = RandomBelow(cards
//   left in both) takes the next card of the top packet when u is below its count, else of
//   the bottom one; the rest follows.
// - overhand:K: K overhand shuffles. In gap order g = 0 to 50, RandomBelow(2) = 1 cuts between
//   positions g and g + 1; the packets are laid in reverse order, each keeping its own order.
// - top-to-random:K: K moves, each taking the top card out and putting it back at position
//   RandomBelow(52), the cards above that position moving up by one.
// - shelf:S: the cards are dealt from the bottom, position 51 first, each to shelf
//   RandomBelow(S) and then, by RandomBelow(2), above (1) or below (0) the cards already there.
//   The shelf order starts as 0 to S - 1; for i = S - 1 down to 1 entries i and
//   RandomBelow(i + 1) swap. The new deck is the shelves in that order, each read from the top.
// - strip:P: for p = 1 to P - 1, RandomBelow(52 - p) picks that (0-based) one of the gaps
//   between positions not yet chosen, in deck order; the P packets between the chosen gaps are
//   laid in reverse order, each keeping its own order.
// - cut: c = RandomBelow(52); positions c to 51 come first, then 0 to c - 1.
void ApplyModelShuffle(const ShuffleModel& model, ShuffleGenerator& generator, std::uint8_t* cards);

}  // namespace brevane
