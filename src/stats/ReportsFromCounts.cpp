#include "stats/ReportsFromCounts.h"

#include <stdexcept>

namespace brevane {

// Every row holds each card once, so the card report, whose scan stops at the card, counts
// exactly the card's row of the table.
void AddShuffleCounts(PositionCounter& counter, const ShuffleCounts& counts) {
    const CountTable cards = counts.CardPosition();
    std::array<std::uint64_t, DeckSize> perPosition{};
    for (std::int32_t code = 1; code <= DeckSize; ++code) {
        if (!counter.Selects(code)) continue;
        for (std::size_t p = 0; p < DeckSize; ++p)
            perPosition[p] += cards[static_cast<std::size_t>(code - 1)][p];
    }
    counter.AddCounts(perPosition, counts.Rows());
}

void AddShuffleCounts(DeckPosCounter& counter, const ShuffleCounts& counts) {
    const CountTable cards = counts.CardPosition();
    const auto p = static_cast<std::size_t>(counter.DeckPosition() - 1);
    std::array<std::uint64_t, 53> perCard{};
    for (std::size_t code = 1; code <= DeckSize; ++code) perCard[code] = cards[code - 1][p];
    counter.AddCounts(perCard, counts.Rows());
}

void AddShuffleCounts(HandCategoryCounter& counter, const ShuffleCounts& counts) {
    if (!(counter.View() == counts.View())) {
        throw std::invalid_argument("the hand categories were counted for another seat view");
    }
    counter.AddCounts(counts.HandCategories(), counts.Rows());
}

}  // namespace brevane
