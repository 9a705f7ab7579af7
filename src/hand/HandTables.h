#pragma once

#include <array>
#include <cstdint>

#include "cards/Cards.h"

// Lookup tables of the fast evaluator. The card entries are written out here; the rank and
// flush tables are computed at build time by hand/generator/HandTableGenerator.cpp from the
// rules in hand/HandRules.h and compiled in as constant data.
namespace brevane::hand_tables {

// Card codes are reduced to their low byte before any lookup, so every code reads inside the
// tables; codes 53 to 255 read the zero entry of a missing card. Callers pass only 0 to 52.
inline constexpr int CardEntryCount = 256;
inline constexpr int RankKeyShift = 16;

constexpr std::uint32_t CardIndex(std::int32_t code) {
    return static_cast<std::uint8_t>(code);
}

// Per card code: 1 in the 4-bit counter of its suit in bits 0..15, and 5^rank index from bit
// 16 up, so that bits 16..47 of the sum over a hand are the base-5 number of its rank counts
// (each digit 0..4), the rank key.
inline constexpr std::array<std::uint64_t, CardEntryCount> CardAddend = [] {
    std::array<std::uint64_t, CardEntryCount> entries{};
    for (CardCode code = 1; code <= DeckSize; ++code) {
        std::uint64_t power = 1;
        for (int r = 0; r < RankIndex(code); ++r) power *= 5;
        entries[code] = (power << RankKeyShift) | (1ull << (4 * SuitIndex(code)));
    }
    return entries;
}();

// Per card code: its rank bit in the 16-bit lane of its suit.
inline constexpr std::array<std::uint64_t, CardEntryCount> CardSuitRanks = [] {
    std::array<std::uint64_t, CardEntryCount> entries{};
    for (CardCode code = 1; code <= DeckSize; ++code) {
        entries[code] = 1ull << (16 * SuitIndex(code) + RankIndex(code));
    }
    return entries;
}();

// Each suit counter starts at 3, so it reaches bit 3 of its lane exactly when the suit holds
// five or more of the (at most seven) cards.
inline constexpr std::uint64_t SuitCounterBias = 0x3333;
inline constexpr std::uint64_t FlushFlags = 0x8888;

// Rank key (the base-5 rank counts) to a slot of RankTable: a multiplicative hash gives a
// bucket (top bits) and a position below RankTableSize (from middle bits); the bucket's
// displacement, added to the position modulo RankTableSize, makes the map one-to-one over
// the 76,141 multisets of 2 to 7 ranks with at most four of each, with no slot left empty.
// The generator stops the build if a change here breaks that.
inline constexpr std::uint64_t HashMultiplier = 0x9E32CDF7948370BDull;
inline constexpr int BucketBits = 14;
inline constexpr std::uint32_t BucketCount = 1u << BucketBits;
inline constexpr std::uint32_t RankTableSize = 76141;
inline constexpr std::uint32_t FlushTableSize = 1u << 13;

constexpr std::uint32_t HashBucket(std::uint32_t rankKey) {
    return static_cast<std::uint32_t>((rankKey * HashMultiplier) >> (64 - BucketBits));
}

constexpr std::uint32_t HashPosition(std::uint32_t rankKey) {
    const auto middle = static_cast<std::uint32_t>((rankKey * HashMultiplier) >> 16);
    return static_cast<std::uint32_t>((std::uint64_t{middle} * RankTableSize) >> 32);
}

// Position plus displacement modulo RankTableSize. Both are below RankTableSize (the
// generator keeps every displacement there), so the slot is in the table whatever the key.
constexpr std::uint32_t SlotOf(std::uint32_t position, std::uint32_t displacement) {
    const std::uint32_t slot = position + displacement;
    return slot >= RankTableSize ? slot - RankTableSize : slot;
}

// Hand value of a rank key when no suit holds five cards.
extern const std::uint16_t RankDisplacement[BucketCount];
extern const std::uint32_t RankTable[RankTableSize];
// Hand value when one suit holds five or more cards, indexed by that suit's 13-bit rank mask.
extern const std::uint32_t FlushTable[FlushTableSize];

inline constexpr std::size_t TableBytes = sizeof(CardAddend) + sizeof(CardSuitRanks) +
                                          sizeof(std::uint16_t) * BucketCount +
                                          sizeof(std::uint32_t) * (RankTableSize + FlushTableSize);

}  // namespace brevane::hand_tables
