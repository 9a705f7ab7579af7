#pragma once

#include "guessing/GuessScorer.h"
#include "ranges/PartGuessing.h"
#include "ranges/PartScorer.h"

namespace brevane::test {

// The guessing tables of every pair of `part`, one pair after another.
inline GuessTables PartTables(const PartRows& part) {
    GuessTables tables;
    std::uint8_t origins[DeckSize];
    for (std::size_t k = 0; k < part.Pairs(); ++k) {
        part.Origins(k, origins);
        tables.AddPair(origins);
    }
    return tables;
}

// PartScorer over the rows of `part`, fed at once.
inline GuessingCounts ScorePart(const PairsBefore& before, const PartRows& part, unsigned threads) {
    PartScorer scorer(before, part.fromNewDeck, part.previous, threads);
    scorer.AddRows(part.rows, part.count);
    return scorer.Finish();
}

}  // namespace brevane::test
