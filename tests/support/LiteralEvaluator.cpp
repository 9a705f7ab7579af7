#include "support/LiteralEvaluator.h"

#include "cards/Cards.h"

namespace brevane::literal {

namespace {

void CountRanks(const std::int32_t values[7], std::int32_t counts[15]) {
    for (int v = 0; v < 15; ++v) counts[v] = 0;
    for (int k = 0; k < 7; ++k) counts[values[k]] += 1;
}

// The first rank value from 14 down to 2 whose counter is exactly `count`; 0 when none.
std::int32_t HighestWithExactly(const std::int32_t counts[15], std::int32_t count) {
    for (std::int32_t v = 14; v >= 2; --v) {
        if (counts[v] == count) return v;
    }
    return 0;
}

// Fills slots[from..4] with the values of V, first to last, that differ from `skip`.
void FillOthers(const std::int32_t values[7], std::int32_t skip, int from, RankSlots& slots) {
    int next = from;
    for (int k = 0; k < 7 && next < 5; ++k) {
        if (values[k] != skip) slots.r[next++] = values[k];
    }
}

}  // namespace

bool HasRank(const std::int32_t values[7], std::int32_t rank) {
    if (rank == 1) rank = 14;
    for (int k = 0; k < 7; ++k) {
        if (values[k] == rank) return true;
    }
    return false;
}

bool FindFourOfAKind(const std::int32_t values[7], RankSlots& slots) {
    std::int32_t counts[15];
    CountRanks(values, counts);
    const std::int32_t quad = HighestWithExactly(counts, 4);
    if (quad == 0) return false;
    slots.r[0] = slots.r[1] = slots.r[2] = slots.r[3] = quad;
    slots.r[4] = values[0] != quad ? values[0] : values[4];
    return true;
}

bool FindFullHouse(const std::int32_t values[7], RankSlots& slots) {
    std::int32_t counts[15];
    CountRanks(values, counts);
    const std::int32_t trips = HighestWithExactly(counts, 3);
    if (trips == 0) return false;
    std::int32_t pair = 0;
    for (std::int32_t v = 14; v >= 2; --v) {
        if (v != trips && counts[v] >= 2) {
            pair = v;
            break;
        }
    }
    if (pair == 0) return false;
    slots.r[0] = slots.r[1] = slots.r[2] = trips;
    slots.r[3] = slots.r[4] = pair;
    return true;
}

bool FindFlush(const std::int32_t codes[7], RankSlots& slots, char& flushSuit) {
    std::int32_t clubs = 0, diamonds = 0, hearts = 0, spades = 0;
    for (int k = 0; k < 7; ++k) {
        const char letter = SuitLetter[codes[k]];
        if (letter == 'c') clubs += 1;
        if (letter == 'd') diamonds += 1;
        if (letter == 'h') hearts += 1;
        if (letter == 's') spades += 1;
    }
    flushSuit = 'x';
    if (clubs >= 5) {
        flushSuit = 'c';
    } else if (diamonds >= 5) {
        flushSuit = 'd';
    } else if (hearts >= 5) {
        flushSuit = 'h';
    } else if (spades >= 5) {
        flushSuit = 's';
    }
    if (flushSuit == 'x') return false;
    int next = 0;
    for (int k = 0; k < 7 && next < 5; ++k) {
        if (SuitLetter[codes[k]] == flushSuit) slots.r[next++] = RankValue[codes[k]];
    }
    return true;
}

bool FindStraight(const std::int32_t values[7], RankSlots& slots) {
    for (std::int32_t h = 14; h >= 5; --h) {
        if (HasRank(values, h) && HasRank(values, h - 1) && HasRank(values, h - 2) &&
            HasRank(values, h - 3) && HasRank(values, h - 4)) {
            for (int s = 0; s < 5; ++s) slots.r[s] = h - s;
            return true;
        }
    }
    return false;
}

bool FindStraightFlush(const std::int32_t codes[7], RankSlots& slots) {
    char flushSuit = 'x';
    if (!FindFlush(codes, slots, flushSuit)) return false;
    std::int32_t suited[7];
    for (int k = 0; k < 7; ++k) {
        suited[k] = SuitLetter[codes[k]] == flushSuit ? RankValue[codes[k]] : 0;
    }
    return FindStraight(suited, slots);
}

bool FindThreeOfAKind(const std::int32_t values[7], RankSlots& slots) {
    std::int32_t counts[15];
    CountRanks(values, counts);
    const std::int32_t trips = HighestWithExactly(counts, 3);
    if (trips == 0) return false;
    slots.r[0] = slots.r[1] = slots.r[2] = trips;
    FillOthers(values, trips, 3, slots);
    return true;
}

bool FindTwoPair(const std::int32_t values[7], RankSlots& slots) {
    std::int32_t counts[15];
    CountRanks(values, counts);
    int found = 0;
    for (std::int32_t v = 14; v >= 2 && found < 2; --v) {
        if (counts[v] == 2) {
            slots.r[2 * found] = slots.r[2 * found + 1] = v;
            found += 1;
        }
    }
    if (found < 2) return false;
    for (int k = 0; k < 7; ++k) {
        if (values[k] != slots.r[0] && values[k] != slots.r[2]) {
            slots.r[4] = values[k];
            break;
        }
    }
    return true;
}

bool FindPair(const std::int32_t values[7], RankSlots& slots) {
    std::int32_t counts[15];
    CountRanks(values, counts);
    const std::int32_t pair = HighestWithExactly(counts, 2);
    if (pair == 0) return false;
    slots.r[0] = slots.r[1] = pair;
    FillOthers(values, pair, 2, slots);
    return true;
}

std::int32_t EvaluateHand(std::int32_t hole1, std::int32_t hole2, std::int32_t flop1,
                          std::int32_t flop2, std::int32_t flop3, std::int32_t turn,
                          std::int32_t river) {
    if (hole1 == 0 || hole2 == 0) return 0;
    std::int32_t a[7] = {flop1, flop2, flop3, turn, river, hole1, hole2};
    for (int i = 0; i < 6; ++i) {
        for (int j = i + 1; j < 7; ++j) {
            if (a[i] < a[j]) {
                const std::int32_t t = a[i];
                a[i] = a[j];
                a[j] = t;
            }
        }
    }
    std::int32_t v[7];
    for (int k = 0; k < 7; ++k) v[k] = RankValue[a[k]];
    RankSlots slots;
    char flushSuit = 'x';
    std::int32_t category = 1;
    if (FindStraightFlush(a, slots)) {
        category = 9;
    } else if (FindFourOfAKind(v, slots)) {
        category = 8;
    } else if (FindFullHouse(v, slots)) {
        category = 7;
    } else if (FindFlush(a, slots, flushSuit)) {
        category = 6;
    } else if (FindStraight(v, slots)) {
        category = 5;
    } else if (FindThreeOfAKind(v, slots)) {
        category = 4;
    } else if (FindTwoPair(v, slots)) {
        category = 3;
    } else if (FindPair(v, slots)) {
        category = 2;
    } else {
        for (int s = 0; s < 5; ++s) slots.r[s] = v[s];
    }
    return category * 0x100000 + slots.r[0] * 0x10000 + slots.r[1] * 0x1000 + slots.r[2] * 0x100 +
           slots.r[3] * 0x10 + slots.r[4];
}

}  // namespace brevane::literal
