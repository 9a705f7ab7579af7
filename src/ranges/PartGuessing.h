#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "guessing/GuessScorer.h"
#include "guessing/GuessingCounts.h"
#include "ranges/PartScorer.h"

namespace brevane {

// The pairs of one part of a run's rows, cut anywhere: `rows` (count rows back to back) and,
// without fromNewDeck, `previous`, the run's row before rows[0] (null when the part starts the
// run, so that its first row starts no pair).
struct PartRows {
    const std::uint8_t* previous = nullptr;
    const std::uint8_t* rows = nullptr;
    std::size_t count = 0;
    bool fromNewDeck = false;

    std::size_t Pairs() const;
    // The origins of pair k (0-based within the part), as PairOrigins gives them.
    void Origins(std::size_t k, std::uint8_t* origins) const;
};

// The origins of the last min(n, Pairs()) pairs of `part`, in order, 52 bytes each.
std::vector<std::uint8_t> LastPairOrigins(const PartRows& part, std::size_t n);

}  // namespace brevane
