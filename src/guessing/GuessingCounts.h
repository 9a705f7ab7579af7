#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "cards/Cards.h"

namespace brevane {

// The guessing game: a deck is guessed card by card from position 1 down, each card shown after
// its guess. A card's origin is its position (0-based) in the deck's starting order: the row
// before it, or the new deck 2c 2d ... As. The tables that guide the guesses of pair t (t = 1,
// 2, ... in row order) hold the pairs 1 to GuessBlockPairs * floor((t - 1) / GuessBlockPairs).
inline constexpr std::uint64_t GuessBlockPairs = 256;

// The row of the follower table that counts the origin of each deck's first card.
inline constexpr std::size_t FirstCardRow = DeckSize;

// [origin a][origin i]: how often the card right after a card of origin a had origin i; row
// FirstCardRow counts the origins of the first cards.
using FollowerTable = std::array<std::array<std::uint64_t, DeckSize>, DeckSize + 1>;

// What one strategy scored over the decks it guessed.
struct GuessTotals {
    std::uint64_t correct = 0;  // T, the correct guesses over all decks
    std::uint64_t squares = 0;  // the sum over the decks of the square of each deck's correct
    std::uint64_t decks = 0;    // M, the decks scored

    void Add(const GuessTotals& other) {
        correct += other.correct;
        squares += other.squares;
        decks += other.decks;
    }
    void AddDeck(std::uint64_t deckCorrect) {
        correct += deckCorrect;
        squares += deckCorrect * deckCorrect;
        ++decks;
    }
    bool operator==(const GuessTotals&) const = default;
};

// The counts of both guessing strategies over a run's pairs: the follower table learned from all
// of them, and the scores of guess-position and guess-follower. (The position table is the moves
// table of ShuffleCounts, whose earlier position is the origin.)
struct GuessingCounts {
    FollowerTable followers{};
    GuessTotals byPosition;
    GuessTotals byFollower;

    // Scores of runs over other rows add up; each run learned from its own rows only.
    void Add(const GuessingCounts& other) {
        for (std::size_t a = 0; a < followers.size(); ++a)
            for (std::size_t i = 0; i < DeckSize; ++i) followers[a][i] += other.followers[a][i];
        byPosition.Add(other.byPosition);
        byFollower.Add(other.byFollower);
    }
    bool operator==(const GuessingCounts&) const = default;
};

// The origins of a later row's cards: origins[j] is the position in the starting order of the
// card at position j. `startAt[code]` is the position of each card code in the starting order.
inline void PairOrigins(const std::uint8_t* startAt, const std::uint8_t* later,
                        std::uint8_t* origins) {
    for (std::size_t j = 0; j < DeckSize; ++j) origins[j] = startAt[later[j]];
}

// PairOrigins with the starting order given as a row of card codes.
inline void PairOriginsAfter(const std::uint8_t* start, const std::uint8_t* later,
                             std::uint8_t* origins) {
    std::uint8_t startAt[DeckSize + 1];
    for (std::size_t p = 0; p < DeckSize; ++p) startAt[start[p]] = static_cast<std::uint8_t>(p);
    PairOrigins(startAt, later, origins);
}

// Counts one pair, given by its origins, into a follower table: the origin of each card after
// that of the card before it (FirstCardRow for the first card).
inline void AddFollowers(FollowerTable& followers, const std::uint8_t* origins) {
    std::size_t previous = FirstCardRow;
    for (std::size_t j = 0; j < DeckSize; ++j) {
        ++followers[previous][origins[j]];
        previous = origins[j];
    }
}

// startAt of the new deck 2c 2d ... As: code c lies at position c - 1.
inline constexpr std::array<std::uint8_t, DeckSize + 1> NewDeckPositions = [] {
    std::array<std::uint8_t, DeckSize + 1> at{};
    for (int c = 1; c <= DeckSize; ++c)
        at[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c - 1);
    return at;
}();

}  // namespace brevane
