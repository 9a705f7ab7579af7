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

// The lowest rank whose `failed(rank)` holds, or -1.
template <class Failed>
int FirstRank(int ranks, Failed failed) {
    for (int r = 0; r < ranks; ++r)
        if (failed(static_cast<std::size_t>(r))) return r;
    return -1;
}

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

// What the pairs before this rank's range pass on to it, each rank giving `mine`, the tables of
// its own pairs, and every rank the same `carried`, what the rounds before passed on: their
// number (`pairsBefore`), the sum of their tables, and the origins of those after the last block
// boundary, from rank `tailFrom`, which must have that many pairs, or from carried.tail when
// `tailFrom` is -1. This rank sends the origins of the last `tailToPairs` pairs of `lastRows` to
// rank `tailTo` (-1 for none).
PairsBefore ExchangeTables(MPI_Comm comm, const GuessTables& mine, const PartRows& lastRows,
                           std::uint64_t pairsBefore, int tailFrom, int tailTo,
                           std::size_t tailToPairs, const PairsBefore& carried);

// The sum of every rank's `mine`, on every rank.
GuessTables SumTables(MPI_Comm comm, const GuessTables& mine);

// `bytes` from rank `root` on every rank.
std::vector<std::uint8_t> BroadcastBytes(MPI_Comm comm, int root, std::vector<std::uint8_t> bytes);

}  // namespace brevane::mpi
