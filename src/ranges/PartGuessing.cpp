#include "ranges/PartGuessing.h"

#include <algorithm>

namespace brevane {

namespace {

// The row that is pair k's later deck.
std::size_t LaterRow(const PartRows& part, std::size_t k) {
    return part.fromNewDeck || part.previous ? k : k + 1;
}

}  // namespace

std::size_t PartRows::Pairs() const {
    if (fromNewDeck || previous) return count;
    return count == 0 ? 0 : count - 1;
}

void PartRows::Origins(std::size_t k, std::uint8_t* origins) const {
    const std::size_t later = LaterRow(*this, k);
    const std::uint8_t* laterRow = rows + later * DeckSize;
    if (fromNewDeck) {
        PairOrigins(NewDeckPositions.data(), laterRow, origins);
        return;
    }
    const std::uint8_t* earlier = later == 0 ? previous : laterRow - DeckSize;
    PairOriginsAfter(earlier, laterRow, origins);
}

std::vector<std::uint8_t> LastPairOrigins(const PartRows& part, std::size_t n) {
    const std::size_t pairs = part.Pairs();
    const std::size_t take = std::min(n, pairs);
    std::vector<std::uint8_t> origins(take * DeckSize);
    for (std::size_t k = 0; k < take; ++k) part.Origins(pairs - take + k, &origins[k * DeckSize]);
    return origins;
}

}  // namespace brevane
