#pragma once

#include <array>
#include <cstdint>
#include <sstream>
#include <stdexcept>
#include <string>

#include "cards/Cards.h"

// Helpers for tests and benchmarks of the hand evaluator.
namespace brevane::test {

// The seven arguments of an evaluation: hole 1, hole 2, flop 1-3, turn, river; 0 = missing.
using SevenCards = std::array<std::int32_t, 7>;

// "Ah Kd - - - - -": card names or "-" for a missing card, at most seven; the rest are 0.
inline SevenCards ParseHand(const std::string& text) {
    SevenCards cards{};
    std::istringstream in(text);
    std::string token;
    std::size_t count = 0;
    while (in >> token) {
        if (count == cards.size()) throw std::invalid_argument("more than seven cards: " + text);
        const CardCode code = token == "-" ? 0 : ParseCardName(token);
        if (token != "-" && code == 0) throw std::invalid_argument("bad card name: " + token);
        cards[count++] = code;
    }
    return cards;
}

// Calls visit(cards) for every set of `size` distinct cards (2..7) whose lowest code lies in
// [lowestFrom, lowestTo]. The set fills the first `size` arguments in ascending code order, as
// a caller passes hole cards and then the dealt community cards; the remaining ones are 0.
template <class Visit>
void ForEachCardSet(int size, Visit&& visit, int lowestFrom = 1, int lowestTo = DeckSize) {
    SevenCards cards{};
    int index[7] = {};
    index[0] = lowestFrom;
    for (int k = 1; k < size; ++k) index[k] = index[k - 1] + 1;
    if (index[size - 1] > DeckSize) return;
    while (index[0] <= lowestTo) {
        for (int k = 0; k < size; ++k) cards[k] = index[k];
        visit(static_cast<const SevenCards&>(cards));
        // Next combination: advance the rightmost position that still has room.
        int k = size - 1;
        while (k >= 0 && index[k] == DeckSize - (size - 1 - k)) --k;
        if (k < 0) return;
        ++index[k];
        for (int j = k + 1; j < size; ++j) index[j] = index[j - 1] + 1;
    }
}

// Number of hands per category 1..9 (index 0 counts the value 0), plus royal flushes.
struct CategoryCounts {
    std::array<std::int64_t, 16> byCategory{};
    std::int64_t royal = 0;

    void Add(std::int32_t value) {
        ++byCategory[static_cast<std::uint32_t>(value) >> 20 & 0xF];
        royal += value == 0x9EDCBA;
    }
};

// Published numbers of card sets of 5, 6 or 7 cards by best-hand category: bestHand[c - 1] for
// category c (high card 1 .. straight flush 9, royal flushes included), and the royal flushes.
struct PublishedCounts {
    std::array<std::int64_t, 9> bestHand;
    std::int64_t royal;
};

inline PublishedCounts PublishedCategoryCounts(int cards) {
    switch (cards) {
        case 5:
            return {{1302540, 1098240, 123552, 54912, 10200, 5108, 3744, 624, 40}, 4};
        case 6:
            return {{6612900, 9730740, 2532816, 732160, 361620, 205792, 165984, 14664, 1844}, 188};
        case 7:
            return {
                {23294460, 58627800, 31433400, 6461620, 6180020, 4047644, 3473184, 224848, 41584},
                4324};
    }
    throw std::invalid_argument("no published counts for that many cards");
}

// The published counts as the hand category report lists them: high card .. straight flush
// without royal flushes, then royal flushes.
inline std::array<std::uint64_t, 10> PublishedReportCounts(int cards) {
    const PublishedCounts published = PublishedCategoryCounts(cards);
    std::array<std::uint64_t, 10> lines{};
    for (int c = 0; c < 9; ++c) lines[c] = static_cast<std::uint64_t>(published.bestHand[c]);
    lines[8] -= static_cast<std::uint64_t>(published.royal);
    lines[9] = static_cast<std::uint64_t>(published.royal);
    return lines;
}

}  // namespace brevane::test
