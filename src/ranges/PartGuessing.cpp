#include "ranges/PartGuessing.h"

#include <algorithm>
#include <thread>

#include "guessing/GuessingRun.h"

namespace brevane {

namespace {

// Takes one pair, given by its origins, out of `tables`.
void SubtractPair(GuessTables& tables, const std::uint8_t* origins) {
    std::size_t previous = FirstCardRow;
    for (std::size_t j = 0; j < DeckSize; ++j) {
        --tables.positions[j][origins[j]];
        --tables.followers[previous][origins[j]];
        previous = origins[j];
    }
}

GuessTotals Minus(const GuessTotals& a, const GuessTotals& b) {
    return GuessTotals{a.correct - b.correct, a.squares - b.squares, a.decks - b.decks};
}

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

GuessingCounts ScorePart(const PairsBefore& before, const PartRows& part,
                         const GuessTables& partTables, unsigned threads) {
    const std::size_t tailPairs = before.tail.size() / DeckSize;
    GuessTables atBoundary = before.tables;
    for (std::size_t k = 0; k < tailPairs; ++k)
        SubtractPair(atBoundary, &before.tail[k * DeckSize]);
    GuessScorer scorer(before.pairs - tailPairs, atBoundary);
    // The tail is learned again; its scores belong to the part before and are taken off.
    for (std::size_t k = 0; k < tailPairs; ++k) scorer.ScorePair(&before.tail[k * DeckSize]);
    const GuessTotals tailByPosition = scorer.ByPosition();
    const GuessTotals tailByFollower = scorer.ByFollower();
    // The part's pairs up to the next block boundary, here; the rest on every thread.
    const std::size_t pairs = part.Pairs();
    std::size_t k = 0;
    std::uint8_t origins[DeckSize];
    for (; k < pairs && scorer.Pairs() % GuessBlockPairs != 0; ++k) {
        part.Origins(k, origins);
        scorer.ScorePair(origins);
    }
    GuessingCounts counts;
    counts.followers = partTables.followers;
    counts.byPosition = Minus(scorer.ByPosition(), tailByPosition);
    counts.byFollower = Minus(scorer.ByFollower(), tailByFollower);
    if (k == pairs) return counts;
    GuessingRun run(part.fromNewDeck, threads, scorer);
    const std::size_t later = LaterRow(part, k);
    if (!part.fromNewDeck) {
        run.AddRows(later == 0 ? part.previous : part.rows + (later - 1) * DeckSize, 1);
    }
    run.AddRows(part.rows + later * DeckSize, part.count - later);
    const GuessingCounts rest = run.Finish();
    counts.byPosition.Add(rest.byPosition);
    counts.byFollower.Add(rest.byFollower);
    return counts;
}

}  // namespace brevane
