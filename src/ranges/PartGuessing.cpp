#include "ranges/PartGuessing.h"

#include <algorithm>
#include <thread>

#include "guessing/GuessingRun.h"

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

GuessTables PartTables(const PartRows& part, unsigned threads) {
    const std::size_t pairs = part.Pairs();
    const std::size_t workers = std::clamp<std::size_t>(pairs / 4096, 1, std::max(1u, threads));
    std::vector<GuessTables> tables(workers);
    const auto count = [&](std::size_t w) {
        std::uint8_t origins[DeckSize];
        for (std::size_t k = pairs * w / workers; k < pairs * (w + 1) / workers; ++k) {
            part.Origins(k, origins);
            tables[w].AddPair(origins);
        }
    };
    {
        std::vector<std::jthread> running;
        for (std::size_t w = 1; w < workers; ++w) running.emplace_back(count, w);
        count(0);
    }
    for (std::size_t w = 1; w < workers; ++w) tables[0].Add(tables[w]);
    return tables[0];
}

std::vector<std::uint8_t> LastPairOrigins(const PartRows& part, std::size_t n) {
    const std::size_t pairs = part.Pairs();
    const std::size_t take = std::min(n, pairs);
    std::vector<std::uint8_t> origins(take * DeckSize);
    for (std::size_t k = 0; k < take; ++k) part.Origins(pairs - take + k, &origins[k * DeckSize]);
    return origins;
}

GuessingCounts ScorePart(const PairsBefore& before, const PartRows& part, unsigned threads) {
    PartScorer scorer(before, part.fromNewDeck, part.previous, threads);
    scorer.AddRows(part.rows, part.count);
    return scorer.Finish();
}

}  // namespace brevane
