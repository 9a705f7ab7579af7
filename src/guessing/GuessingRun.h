#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "guessing/GuessScorer.h"
#include "guessing/GuessingCounts.h"

namespace brevane {

// Plays the guessing game over a run's rows, fed in row order, on `threads` threads. Each row is
// the later deck of a pair: with `fromNewDeck` every row is paired with the new deck, otherwise
// with the row before it (so the first row starts no pair).
//
// With one thread the rows are scored as they come. With more, they are gathered into a window
// of whole blocks of pairs, and a full window is scored on threads of its own while the caller
// goes on (its next window waits for that one to end). The scoring threads first find the
// pairs' origins, a share each; the window is then cut at block boundaries into parts; each part
// but the last counts its pairs into tables, the tables at each part's start are summed from
// those, and then every part is scored from its own start at once, each strategy on a thread of
// its own. The block rule makes the scores the same whatever the thread count or the batches the
// rows come in.
class GuessingRun {
  public:
    static constexpr std::size_t DefaultBlocksPerPart = 512;

    // A full window gives each part `blocksPerPart` blocks. With `callerBusy` the caller's
    // thread has work of its own meanwhile (making and counting rows), and one thread fewer
    // scores.
    GuessingRun(bool fromNewDeck, unsigned threads,
                std::size_t blocksPerPart = DefaultBlocksPerPart, bool callerBusy = false);
    ~GuessingRun();
    GuessingRun(const GuessingRun&) = delete;
    GuessingRun& operator=(const GuessingRun&) = delete;
    // A run that goes on from `start`, whose pairs are a whole number of blocks (a part of a
    // longer run): the first pair fed is scored as pair start.Pairs() + 1, and the scores are
    // those of the pairs fed alone. Without `fromNewDeck` the first row fed is the earlier deck
    // of that pair.
    GuessingRun(bool fromNewDeck, unsigned threads, const GuessScorer& start);

    // `count` rows of 52 card codes, back to back.
    void AddRows(const std::uint8_t* rows, std::size_t count);
    // Or, instead of rows, the origins of `pairs` pairs (PairOrigins), back to back, found by
    // whoever counted the rows; a run is fed one way or the other, never both.
    void AddOrigins(const std::uint8_t* origins, std::size_t pairs);
    // Scores what is gathered and gives the follower table and both scores; called once, after
    // the last rows.
    GuessingCounts Finish();

    // Buffers for rows that are held on other threads until they can be added: taken and given
    // back on any thread, they keep their memory from one use to the next.
    std::vector<std::uint8_t> TakeBuffer();
    void GiveBack(std::vector<std::uint8_t> buffer);

  private:
    // The origins of the pair whose later deck is `row`, its starting order being `before` (the
    // row before, unused with fromNewDeck_).
    void Origins(const std::uint8_t* before, const std::uint8_t* row, std::uint8_t* origins) const;
    // Waits for the window being scored, then scores the gathered one: on threads of its own,
    // or, with `wait`, before returning.
    void ScoreGathered(bool wait);
    void ScoreWindow();
    // Copies `count` rows or origins into the window, scoring each full window.
    void Gather(const std::uint8_t* bytes, std::size_t count);

    bool fromNewDeck_;
    unsigned threads_;
    std::size_t parts_ = 1;
    bool started_ = false;     // a row has been seen
    bool fedOrigins_ = false;  // the windows hold origins rather than rows
    // The row before the window being gathered, and before the one being scored (continuing).
    std::vector<std::uint8_t> previous_;
    std::vector<std::uint8_t> scoringPrevious_;
    std::vector<std::uint8_t> window_;   // the later rows of the pairs being gathered
    std::vector<std::uint8_t> scoring_;  // and of those being scored, by `worker_`
    std::vector<std::uint8_t> origins_;  // of the pairs being scored
    std::size_t windowPairs_ = 0;
    std::size_t scoringPairs_ = 0;
    std::size_t windowCapacity_ = 0;
    std::thread worker_;
    std::mutex sparesMutex_;
    std::vector<std::vector<std::uint8_t>> spares_;
    GuessScorer scorer_;  // at the window's start; with one thread, at the last row
    GuessTotals byPosition_;
    GuessTotals byFollower_;
};

}  // namespace brevane
