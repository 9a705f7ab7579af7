#pragma once

#include <cstdint>

namespace brevane {

// The file cut into rounds, each of one byte range per rank, so that a rank keeps the origins
// of no more rows at once than its memory allows.
struct RoundCuts {
    std::uint64_t size = 0;  // the file's
    std::uint64_t rounds = 1;
    std::uint64_t span = 0;           // the bytes of a round, the last one's perhaps fewer
    std::uint64_t firstShare = 1000;  // rank 0's range, in thousandths of another rank's

    // Where range `rank` of round `round` begins before it moves on to a line start.
    std::uint64_t Cut(std::uint64_t round, int rank, int ranks) const;
};

// Cuts a file of `size` bytes for `ranks` ranks, rank 0 weighing `firstShare` thousandths of
// any other, each range of at most `keptRows` rows of the shortest export lines (0: no limit,
// one round).
RoundCuts PlanRounds(std::uint64_t size, int ranks, std::uint64_t firstShare,
                     std::uint64_t keptRows);

}  // namespace brevane
