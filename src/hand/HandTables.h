#pragma once

#include <array>
#include <cstdint>

#include "cards/Cards.h"

// Lookup tables of the fast evaluator, all in one object so that a loop over many hands keeps
// one base address for every table. The card entries come from the functions here, the rank
// and flush values from the rules in hand/HandRules.h; hand/generator/HandTableGenerator.cpp
// computes them all at build time and compiles them in as constant data.
namespace brevane::hand_tables {

// Card codes are reduced to their low byte before any lookup, so every code reads inside the
// tables; other bytes than 1 to 52 read as a missing card, and a hole code whose low byte is 0
// as a missing hole card. Callers pass only 0 to 52.
inline constexpr int CardEntryCount = 256;

constexpr std::uint32_t CardIndex(std::int32_t code) {
    return static_cast<std::uint8_t>(code);
}

// Addend of each rank index (deuce first). Summed over any multiset of at most seven ranks with
// at most four of each, they give a different total for every multiset, missing cards adding
// nothing: this total is the rank key. Each is the least value above the one before that keeps
// the totals distinct; `brevane_hand_table_generator --search-addends` derives them again, and
// the generator stops the build if they lose the property.
inline constexpr std::array<std::uint32_t, RankCount> RankAddend = {
    1, 5, 24, 112, 521, 2247, 9244, 30823, 103066, 250154, 667453, 1526359, 3453520};

// The largest rank key any seven table entries can sum to, repeated codes included.
inline constexpr std::uint32_t MaxRankKey = 7 * RankAddend[RankCount - 1];

// Rank key to a slot of the value table: the key's low OffsetBits bits pick a row, whose
// offset is added to the rest of the key, its column. The generator places the rows so that
// the 76,141 multisets of 2 to 7 ranks with at most four of each land on distinct slots, and
// keeps every offset at or below RankTableSize - RowWidth, so any key up to MaxRankKey reads
// inside the table. It stops the build if the rows no longer fit. Thirteen bits keep the
// offsets at 32 KB, within the first-level data cache beside the card entries; fourteen pack
// the values tighter (77,603 slots) but measured no faster, in the hand category report slower.
inline constexpr int OffsetBits = 13;
inline constexpr std::uint32_t OffsetCount = 1u << OffsetBits;
inline constexpr std::uint32_t RowWidth = (MaxRankKey >> OffsetBits) + 1;
inline constexpr std::uint32_t RankTableSize = 86749;
inline constexpr std::uint32_t FlushTableSize = 1u << 13;

constexpr std::uint32_t RankRow(std::uint32_t rankKey) {
    return rankKey & (OffsetCount - 1);
}

constexpr std::uint32_t RankColumn(std::uint32_t rankKey) {
    return rankKey >> OffsetBits;
}

// Layout of a card's addend, and so of the sum over a hand: 1 in the 4-bit counter of its suit
// in bits 0..15, the count of missing hole cards in bits 16..17, and its rank addend from bit
// RankKeyShift up. So the rank key's row is bits RankKeyShift..31 of the sum and its column the
// bits from 32 up, and the flags that the common path tests fit in a 32-bit immediate.
inline constexpr int RankKeyShift = 32 - OffsetBits;
static_assert(RankKeyShift >= 18);
inline constexpr std::uint64_t HoleMissing = 1ull << 16;
inline constexpr std::uint64_t HoleMissingFlags = 3ull << 16;

// Each suit counter starts at 3, so it reaches bit 3 of its lane exactly when the suit holds
// five or more of the (at most seven) cards.
inline constexpr std::uint64_t SuitCounterBias = 0x3333;
inline constexpr std::uint64_t FlushFlags = 0x8888;

// Addend of a community card, by table index; code 0, a card not dealt, adds nothing.
constexpr std::uint64_t BoardAddend(std::uint32_t index) {
    if (index < 1 || index > DeckSize) return 0;
    const auto code = static_cast<CardCode>(index);
    return (std::uint64_t{RankAddend[RankIndex(code)]} << RankKeyShift) |
           (1ull << (4 * SuitIndex(code)));
}

// Addend of a hole card; code 0 counts a missing hole card.
constexpr std::uint64_t HoleAddend(std::uint32_t index) {
    return index == 0 ? HoleMissing : BoardAddend(index);
}

// A card's rank bit in the 16-bit lane of its suit.
constexpr std::uint64_t SuitRanks(std::uint32_t index) {
    if (index < 1 || index > DeckSize) return 0;
    const auto code = static_cast<CardCode>(index);
    return 1ull << (16 * SuitIndex(code) + RankIndex(code));
}

// The common path reads the first four members; the flush path the last two.
struct EvaluatorTables {
    std::uint64_t holeAddend[CardEntryCount];   // HoleAddend of each index
    std::uint64_t boardAddend[CardEntryCount];  // BoardAddend of each index
    // Offset of each row of rank keys in rankValue.
    std::uint32_t rankOffset[OffsetCount];
    // Hand value of a rank key when no suit holds five cards; slots no multiset takes hold 0.
    std::uint32_t rankValue[RankTableSize];
    std::uint64_t suitRanks[CardEntryCount];  // SuitRanks of each index
    // Hand value when one suit holds five or more cards, indexed by that suit's rank mask.
    std::uint32_t flushValue[FlushTableSize];
};

extern const EvaluatorTables Tables;

inline constexpr std::size_t TableBytes = sizeof(EvaluatorTables);

}  // namespace brevane::hand_tables
