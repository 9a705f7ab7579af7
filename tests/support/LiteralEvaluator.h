#pragma once

#include <cstdint>

// The seven-card evaluator written out step by step as the hand rules are defined: a
// pairwise-exchange sort, rank values, then eight detectors that each recount the cards.
// It is slow on purpose and serves as the reference the fast evaluator is checked against.
namespace brevane::literal {

struct RankSlots {
    std::int32_t r[5] = {};
};

bool HasRank(const std::int32_t values[7], std::int32_t rank);
bool FindStraightFlush(const std::int32_t codes[7], RankSlots& slots);
bool FindFourOfAKind(const std::int32_t values[7], RankSlots& slots);
bool FindFullHouse(const std::int32_t values[7], RankSlots& slots);
bool FindFlush(const std::int32_t codes[7], RankSlots& slots, char& flushSuit);
bool FindStraight(const std::int32_t values[7], RankSlots& slots);
bool FindThreeOfAKind(const std::int32_t values[7], RankSlots& slots);
bool FindTwoPair(const std::int32_t values[7], RankSlots& slots);
bool FindPair(const std::int32_t values[7], RankSlots& slots);

std::int32_t EvaluateHand(std::int32_t hole1, std::int32_t hole2, std::int32_t flop1,
                          std::int32_t flop2, std::int32_t flop3, std::int32_t turn,
                          std::int32_t river);

}  // namespace brevane::literal
