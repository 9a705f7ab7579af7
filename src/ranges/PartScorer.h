#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

#include "guessing/GuessScorer.h"
#include "guessing/GuessingCounts.h"
#include "guessing/GuessingRun.h"

namespace brevane {

// The pairs of a run before a part: how many, their tables, and the origins of those after the
// last block boundary (pairsBefore mod GuessBlockPairs of them, 52 bytes each).
struct PairsBefore {
    std::uint64_t pairs = 0;
    GuessTables tables;
    std::vector<std::uint8_t> tail;
};

// The origins of pairs in row order (PairOrigins, 52 bytes a pair), in chunks.
using OriginChunks = std::vector<std::vector<std::uint8_t>>;

// The guessing game over one part of a run's rows, fed in order, scored as one run over every
// pair would score them: the scores of the part's pairs, and the follower table of those pairs
// alone. The pairs after the last block boundary before the part are learned again from
// `before.tail` and not scored; the part's pairs up to the next boundary are scored here, and
// the rest by a GuessingRun on `threads` threads. Without `fromNewDeck`, `previous` is the
// run's row before the part's first (null when the part starts the run).
class PartScorer {
  public:
    PartScorer(const PairsBefore& before, bool fromNewDeck, const std::uint8_t* previous,
               unsigned threads);

    // `count` rows of 52 card codes, back to back, following those fed before.
    void AddRows(const std::uint8_t* rows, std::size_t count);
    // Or, instead of rows, the origins of the part's next `pairs` pairs (the first of them with
    // the row before the part, unless from new decks); a scorer is fed one way or the other.
    void AddOrigins(const std::uint8_t* origins, std::size_t pairs);
    std::uint64_t Rows() const { return rows_; }  // fed by AddRows
    // Called once, after the last rows.
    GuessingCounts Finish();

    // Buffers for rows held on other threads until they can be added, as GuessingRun's.
    std::vector<std::uint8_t> TakeBuffer();
    void GiveBack(std::vector<std::uint8_t> buffer);

  private:
    bool fromNewDeck_;
    unsigned threads_;
    FollowerTable beforeFollowers_;
    GuessScorer scorer_;
    GuessTotals tailByPosition_;
    GuessTotals tailByFollower_;
    std::array<std::uint8_t, DeckSize> last_{};
    bool haveLast_ = false;
    std::uint64_t rows_ = 0;
    std::optional<GuessingRun> run_;  // from the first block boundary in the part on
    std::mutex sparesMutex_;
    std::vector<std::vector<std::uint8_t>> spares_;
};

}  // namespace brevane
