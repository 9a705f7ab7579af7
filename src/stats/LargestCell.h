#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "cards/Cards.h"

namespace brevane {

// The position tables whose cells can be named: a card, suit or rank at each deck position over
// the rows, or each earlier position's card going to each later position over the pairs.
enum class CellTable { Cards, Suits, Ranks, Moves };

// The cell of a position table furthest from its expected count.
struct LargestCell {
    CellTable table = CellTable::Cards;
    int row = 0;       // 0-based: card code - 1, suit index, rank index or earlier position - 1
    int position = 0;  // 0-based deck position (the later one for Moves)
    std::uint64_t observed = 0;
    std::uint64_t total = 0;  // the rows counted, or the pairs for Moves
    double chance = 0;        // the cell's probability for a fair shuffle
    double z = 0;

    double Percent() const;
    double ExpectedPercent() const;
    // The row as the card, suit and rank lists name it ("2d", "Club", "T"); for Moves the
    // earlier position ("2").
    std::string RowName() const;
    // The cell in words: "2d at position 1: 530 of 20,000 rows (2.65%), expected 1.92%,
    // z = +9.10", or for Moves "the card at position 2 went to position 1 in 2.60% of 19,999
    // pairs, expected 1.92%".
    std::string Text() const;
    // The cell as a sentence for a reader who has not seen the table: "From one shuffle to the
    // next, the card at position 2 went to position 1 in 2.60% of shuffles instead of 1.92%."
    std::string Sentence() const;
};

// The standardised deviation (O - E) / sqrt(E (1 - q)) of a cell of chance q = 1 / `rows` over
// `total` draws, E = total q: a binomial cell's own variance. For the cards and the moves
// (q = 1/52) it is the bias map's z, to the bit; a suit's cell (q = 1/4) or a rank's (1/13) has
// the smaller variance its own q gives.
double CellZ(std::uint64_t observed, std::uint64_t total, std::size_t rows);

// The cell of `table` (one row per card, suit, rank or earlier position, each cell with chance
// 1 / rows) with the largest |z| over `total` rows or pairs; of equal ones, the first in row
// order. Nullopt when nothing was counted.
std::optional<LargestCell> FindLargestCell(
    std::span<const std::array<std::uint64_t, DeckSize>> table, std::uint64_t total,
    CellTable kind);

}  // namespace brevane
