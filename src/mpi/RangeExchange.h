#pragma once

#include <mpi.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ranges/PartGuessing.h"
#include "ranges/RangeCount.h"

namespace brevane::mpi {

// Waits for `request` without keeping a core busy, so that the threads of a rank still at work
// on the same machine have it: the ranks wait for each other here while the slowest counts.
void QuietWait(MPI_Request& request);
// A barrier that waits with QuietWait.
void QuietBarrier(MPI_Comm comm);

// What every rank learns of every other's range once it has been counted.
struct RangeSummary {
    std::uint64_t status = 0;  // ExportReader::Status
    std::uint64_t rows = 0;
    std::uint64_t lines = 0;
    std::uint64_t guessedFirstRow = 0;  // the row index its counts began at
};

// Every rank's summary, in rank order, on every rank.
std::vector<RangeSummary> GatherSummaries(MPI_Comm comm, const RangeSummary& mine);

// `text` from rank `root` on every rank.
std::string BroadcastText(MPI_Comm comm, int root, std::string text);

// Every rank's last row (zeros for an empty range), 52 bytes each in rank order, on every rank.
std::vector<std::uint8_t> GatherLastRows(MPI_Comm comm, const RangeRows& mine);

// Adds to `counts` the pair of `previous`, the row before its first, with that first row: its
// moves, rising sequences and fixed points. Nothing for rows from a new deck, which pair with it.
ShuffleCounts WithPairBefore(const ShuffleCounts& counts, const std::uint8_t* previous);

// The guessing game over the pairs of `part`, this rank's part of a run cut into ranks in order,
// as one run over all the ranks' rows scores them. `pairsBefore` is the number of pairs of the
// ranks before; `tailFrom` the rank (-1 for none) that sends this one the origins of its last
// pairsBefore mod GuessBlockPairs pairs (it must have that many), and `tailTo` (-1 for none) the
// rank this one sends its own to, `tailToPairs` of them.
GuessingCounts GuessOverRanks(MPI_Comm comm, const PartRows& part, std::uint64_t pairsBefore,
                              int tailFrom, int tailTo, std::size_t tailToPairs, unsigned threads);

}  // namespace brevane::mpi
