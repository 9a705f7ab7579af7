#pragma once

#include <array>
#include <cstdint>

// Hand values computed directly from what decides them: the count of known cards of each rank
// when no suit holds five known cards, or the rank mask of the one suit that does. These rules
// build the lookup tables of the evaluator; they are written from the hand categories, apart
// from the card-by-card detector algorithm that tests/ keeps as the reference.
namespace brevane::hand_rules {

inline constexpr int RankCount = 13;  // rank index 0 (deuce) .. 12 (ace); rank value = index + 2

using RankCounts = std::array<int, RankCount>;

// Calls visit(counts) for every multiset of 2 to 7 ranks with at most four of a rank: every
// rank pattern the known cards of a hand can show.
template <class Visit>
void ForEachRankMultiset(Visit&& visit, RankCounts& counts, int rank = 0, int total = 0) {
    if (rank == RankCount) {
        if (total >= 2) visit(static_cast<const RankCounts&>(counts));
        return;
    }
    for (int n = 0; n <= 4 && total + n <= 7; ++n) {
        counts[rank] = n;
        ForEachRankMultiset(visit, counts, rank + 1, total + n);
    }
    counts[rank] = 0;
}

constexpr std::int32_t PackValue(int category, int r1, int r2, int r3, int r4, int r5) {
    return category * 0x100000 + r1 * 0x10000 + r2 * 0x1000 + r3 * 0x100 + r4 * 0x10 + r5;
}

// Rank value of the top card of the highest straight in `mask` (bit i = rank index i present),
// the ace also counting low; 0 when there is none.
constexpr int StraightTop(unsigned mask) {
    const unsigned withLowAce = (mask << 1) | ((mask >> 12) & 1u);  // bit 0 = ace as 1
    for (int top = 14; top >= 5; --top) {
        const unsigned run = 0x1Fu << (top - 5);
        if ((withLowAce & run) == run) return top;
    }
    return 0;
}

// Value of a hand whose flush suit holds the ranks of `mask` (at least five bits): the
// straight flush within the suit if any, else the flush of its five highest ranks.
constexpr std::int32_t ValueFromSuitMask(unsigned mask) {
    if (const int top = StraightTop(mask)) {
        return PackValue(9, top, top - 1, top - 2, top - 3, top - 4);
    }
    int slots[5] = {};
    int filled = 0;
    for (int index = RankCount - 1; index >= 0 && filled < 5; --index) {
        if (mask & (1u << index)) slots[filled++] = index + 2;
    }
    return PackValue(6, slots[0], slots[1], slots[2], slots[3], slots[4]);
}

// Highest rank value whose count equals `count`, skipping rank value `skip`; 0 when none.
constexpr int HighestWithCount(const RankCounts& counts, int count, int skip = 0) {
    for (int index = RankCount - 1; index >= 0; --index) {
        if (index + 2 != skip && counts[index] == count) return index + 2;
    }
    return 0;
}

// The `wanted` highest rank values of known cards other than ranks `skipA` and `skipB`, one
// per card (a rank held twice fills two places), padded with 0 where no card is left.
constexpr std::array<int, 5> Kickers(const RankCounts& counts, int wanted, int skipA = 0,
                                     int skipB = 0) {
    std::array<int, 5> out{};
    int filled = 0;
    for (int index = RankCount - 1; index >= 0 && filled < wanted; --index) {
        const int value = index + 2;
        if (value == skipA || value == skipB) continue;
        for (int k = 0; k < counts[index] && filled < wanted; ++k) out[filled++] = value;
    }
    return out;
}

// Value of a hand in which no suit holds five known cards, from the known cards per rank
// (each 0..4). Groups are judged by their exact size, as quads, trips and pairs are.
constexpr std::int32_t ValueFromRankCounts(const RankCounts& counts) {
    if (const int quad = HighestWithCount(counts, 4)) {
        const int kicker = Kickers(counts, 1, quad)[0];
        return PackValue(8, quad, quad, quad, quad, kicker);
    }
    const int trips = HighestWithCount(counts, 3);
    if (trips) {
        int pair = 0;
        for (int index = RankCount - 1; index >= 0 && !pair; --index) {
            if (index + 2 != trips && counts[index] >= 2) pair = index + 2;
        }
        if (pair) return PackValue(7, trips, trips, trips, pair, pair);
    }
    unsigned mask = 0;
    for (int index = 0; index < RankCount; ++index) {
        if (counts[index] > 0) mask |= 1u << index;
    }
    if (const int top = StraightTop(mask)) {
        return PackValue(5, top, top - 1, top - 2, top - 3, top - 4);
    }
    if (trips) {
        const auto k = Kickers(counts, 2, trips);
        return PackValue(4, trips, trips, trips, k[0], k[1]);
    }
    const int highPair = HighestWithCount(counts, 2);
    const int lowPair = highPair ? HighestWithCount(counts, 2, highPair) : 0;
    if (lowPair) {
        const auto k = Kickers(counts, 1, highPair, lowPair);
        return PackValue(3, highPair, highPair, lowPair, lowPair, k[0]);
    }
    if (highPair) {
        const auto k = Kickers(counts, 3, highPair);
        return PackValue(2, highPair, highPair, k[0], k[1], k[2]);
    }
    const auto k = Kickers(counts, 5);
    return PackValue(1, k[0], k[1], k[2], k[3], k[4]);
}

}  // namespace brevane::hand_rules
