#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "guessing/GuessScorer.h"
#include "guessing/GuessingCounts.h"

namespace brevane {

// Plays the guessing game over a run's rows, fed in row order, on `threads` threads. Each row is
// the later deck of a pair: with `fromNewDeck` every row is paired with the new deck, otherwise
// with the row before it (so the first row starts no pair).
//
// With one thread the rows are scored as they come. With more, they are gathered into a window
// of whole blocks, cut into one part per thread at block boundaries; each part but the last
// counts its pairs into tables, the tables at each part's start are summed from those, and then
// every part is scored from its own start at once. The block rule makes the scores the same
// whatever the thread count or the batches the rows come in.
class GuessingRun {
  public:
    // A full window gives each thread `blocksPerPart` blocks.
    GuessingRun(bool fromNewDeck, unsigned threads, std::size_t blocksPerPart = 256);
    // A run that goes on from `start`, whose pairs are a whole number of blocks (a part of a
    // longer run): the first pair fed is scored as pair start.Pairs() + 1, and the scores are
    // those of the pairs fed alone. Without `fromNewDeck` the first row fed is the earlier deck
    // of that pair.
    GuessingRun(bool fromNewDeck, unsigned threads, const GuessScorer& start);

    // `count` rows of 52 card codes, back to back.
    void AddRows(const std::uint8_t* rows, std::size_t count);
    // Scores what is gathered and gives the follower table and both scores; called once, after
    // the last rows.
    GuessingCounts Finish();

  private:
    void ScoreWindow();
    // The pair whose later deck is row `k` of the window: its origins.
    void Origins(std::size_t k, std::uint8_t* origins) const;

    bool fromNewDeck_;
    unsigned threads_;
    bool started_ = false;                // a row has been seen
    std::vector<std::uint8_t> previous_;  // the row before the window's first (continuing)
    std::vector<std::uint8_t> window_;
    std::size_t windowRows_ = 0;
    std::size_t windowCapacity_ = 0;
    GuessScorer scorer_;  // at the window's start; with one thread, at the last row
    GuessTotals byPosition_;
    GuessTotals byFollower_;
};

}  // namespace brevane
