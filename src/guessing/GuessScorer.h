#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "guessing/GuessingCounts.h"

namespace brevane {

// What the guessing strategies have learned from pairs: the position table, [position j][origin
// i] (the pairs in which the card of origin i lay at j), and the follower table.
struct GuessTables {
    std::array<std::array<std::uint64_t, DeckSize>, DeckSize> positions{};
    FollowerTable followers{};

    void Add(const GuessTables& other);
    // Counts one pair, given the origins of its deck's cards (PairOrigins).
    void AddPair(const std::uint8_t* origins);
    bool operator==(const GuessTables&) const = default;
};

// One strategy, learning as the block rule says: a pair is guessed from the tables of the whole
// blocks of GuessBlockPairs pairs before it. The guess at a position comes from one table row:
// row j at position j for guess-position, the row of the origin shown before for guess-follower
// (FirstCardRow at the first position). At each block's end the table takes in the block, and
// each row's origins are put in order of their counts, largest first, ties to the smaller
// origin; a guess is then the first origin in its row's order not yet shown in the deck. So a
// guess is right exactly when every origin ahead of the card's own in that order has been
// shown: each origin keeps the set of those ahead of it as a bit mask, and a guess costs one
// test, however far down the order it is.
// The two strategies of a scorer are scored on two threads at once: each on cache lines of its
// own.
class alignas(64) GuessStrategy {
  public:
    // Rows of the follower table; guess-position uses the first DeckSize.
    using Table = FollowerTable;

    explicit GuessStrategy(bool follower);
    // Before pair pairsBefore + 1, pairsBefore being a multiple of GuessBlockPairs and `learned`
    // the table of pairs 1 to pairsBefore.
    void Restart(std::uint64_t pairsBefore, const Table& learned);

    // Guesses `count` pairs' decks, given their origins back to back (PairOrigins), and learns
    // from them.
    void Score(const std::uint8_t* origins, std::size_t count);

    std::uint64_t Pairs() const { return pairs_; }
    const GuessTotals& Totals() const { return totals_; }
    // The table of every pair scored so far.
    Table Learned() const;

  private:
    template <bool Follower>
    void ScoreAll(const std::uint8_t* origins, std::size_t count);
    // Takes the pending block into the table and puts the orders right.
    void Fold();
    // Orders every row afresh from the table.
    void Order();
    // The table as the keys hold it.
    Table FromKeys() const;
    // The table rows that guide guesses.
    std::size_t Rows() const { return follower_ ? DeckSize + 1 : DeckSize; }

    bool follower_;
    std::uint64_t pairs_ = 0;
    // At the last block boundary; while learnedInKeys_, only the keys are kept up to date.
    Table learned_{};
    bool learnedInKeys_ = false;
    // The pairs since then, [row * 52 + origin]: at most GuessBlockPairs per cell.
    std::array<std::uint16_t, (DeckSize + 1) * DeckSize> pending_{};
    // [row]: each origin's sort key (GuessScorer.cpp), in the row's order.
    std::array<std::array<std::uint64_t, DeckSize>, DeckSize + 1> keys_{};
    // [row][origin]: the origins ahead of `origin` in the row's order, one bit each.
    std::array<std::array<std::uint64_t, DeckSize>, DeckSize + 1> ahead_{};
    GuessTotals totals_;
};

// Both strategies over pairs given in row order.
class GuessScorer {
  public:
    // Before pair 1, from empty tables.
    GuessScorer();
    // Before pair pairsBefore + 1, pairsBefore being a multiple of GuessBlockPairs and `learned`
    // the tables of pairs 1 to pairsBefore: where a run's part starts when it is scored on a
    // thread of its own.
    GuessScorer(std::uint64_t pairsBefore, const GuessTables& learned);

    // Guesses the next pair's deck with both strategies and learns from it. `origins` as
    // PairOrigins gives them.
    void ScorePair(const std::uint8_t* origins);
    // ScorePair for `count` pairs back to back: one strategy over them all, then the other.
    void ScorePairs(const std::uint8_t* origins, std::size_t count);

    // Each strategy alone, to be scored on threads of their own: each must see the same pairs.
    GuessStrategy& Position() { return position_; }
    GuessStrategy& Follower() { return follower_; }

    std::uint64_t Pairs() const { return position_.Pairs(); }
    const GuessTotals& ByPosition() const { return position_.Totals(); }
    const GuessTotals& ByFollower() const { return follower_.Totals(); }
    // The tables of every pair scored so far.
    GuessTables Learned() const;
    // The follower table of Learned() with both scores.
    GuessingCounts Counts() const;

  private:
    GuessStrategy position_{false};
    GuessStrategy follower_{true};
};

}  // namespace brevane
