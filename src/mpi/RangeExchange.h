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

// Every rank's `mine`, in rank order, on every rank, gathered while waiting quietly.
std::vector<std::uint64_t> GatherValues(MPI_Comm comm, std::uint64_t mine);

// `text` from rank `root` on every rank.
std::string BroadcastText(MPI_Comm comm, int root, std::string text);

// Every rank's last row (zeros for an empty range), 52 bytes each in rank order, on every rank.
std::vector<std::uint8_t> GatherLastRows(MPI_Comm comm, const RangeRows& mine);

// Adds to `counts` the pair of `previous`, the row before its first, with that first row: its
// moves, rising sequences and fixed points. Nothing for rows from a new deck, which pair with it.
ShuffleCounts WithPairBefore(const ShuffleCounts& counts, const std::uint8_t* previous);

// What the pairs of the ranks before this one pass on to it, each rank giving `mine`, the
// tables of its own pairs: their number (`pairsBefore`), the sum of their tables, and the
// origins of those after the last block boundary, from rank `tailFrom` (-1 for none), which
// must have that many pairs. This rank sends the origins of the last `tailToPairs` pairs of
// `lastRows` to rank `tailTo` (-1 for none).
PairsBefore ExchangeTables(MPI_Comm comm, const GuessTables& mine, const PartRows& lastRows,
                           std::uint64_t pairsBefore, int tailFrom, int tailTo,
                           std::size_t tailToPairs);

}  // namespace brevane::mpi
