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

// Plays both guessing strategies over pairs given in row order, learning as the block rule says:
// a pair is guessed from the tables of the whole blocks of GuessBlockPairs pairs before it. At
// each block's end the tables take in the block, and each table row's origins are put in order
// of their counts, largest first, ties to the smaller origin; a guess is then the first origin
// in its row's order not yet shown in the deck.
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

    std::uint64_t Pairs() const { return pairs_; }
    const GuessTotals& ByPosition() const { return byPosition_; }
    const GuessTotals& ByFollower() const { return byFollower_; }
    // The tables of every pair scored so far.
    GuessTables Learned() const;
    // The follower table of Learned() with both scores.
    GuessingCounts Counts() const;

  private:
    // Takes the pending block into the tables and puts the orders right.
    void Fold();
    void Order();
    // Adds the pending block's counts into `tables`.
    void AddPending(GuessTables& tables) const;

    std::uint64_t pairs_ = 0;
    GuessTables learned_;  // at the last block boundary
    // The pairs since then, [j * 52 + i] and [a * 52 + i]: at most GuessBlockPairs per cell.
    std::array<std::uint16_t, DeckSize * DeckSize> pendingPositions_{};
    std::array<std::uint16_t, (DeckSize + 1) * DeckSize> pendingFollowers_{};
    std::array<std::array<std::uint8_t, DeckSize>, DeckSize> positionOrder_{};
    std::array<std::array<std::uint8_t, DeckSize>, DeckSize + 1> followerOrder_{};
    GuessTotals byPosition_;
    GuessTotals byFollower_;
};

}  // namespace brevane
