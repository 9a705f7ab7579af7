#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "guessing/GuessingCounts.h"

namespace brevane::literal {

using Row = std::array<std::uint8_t, DeckSize>;

// Both guessing strategies played straight from their definition, slowly: every pair's
// starting order (the row before, or the new deck), every origin found by searching that
// order, the tables recounted from scratch from pairs 1 .. 256 floor((t - 1) / 256) for each
// block, and each guess the largest count among the origins not yet shown, found by trying
// every origin (a tie keeps the smaller).
GuessingCounts Guessing(const std::vector<Row>& rows, bool fromNewDeck);

}  // namespace brevane::literal
