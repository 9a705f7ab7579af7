#pragma once

#include <mpi.h>

#include "cli/AnalysisOptions.h"
#include "stats/ShuffleCounts.h"
#include "streams/StreamCounts.h"

namespace brevane::mpi {

// Thrown on every rank but 0 once its part of the counting is done: the rank leaves the command
// with `status`, having printed nothing, while rank 0 prints the result.
struct RankDone {
    int status;
};

// The counts of every rank summed on rank 0 (its own counts elsewhere): the tables added up,
// the first and last rows those of the lowest and highest stream in `ends` over all ranks.
ShuffleCounts SumOnRankZero(MPI_Comm comm, const ShuffleCounts& mine, const StreamEnds& ends);

// The counting of a command spread over the ranks of `comm`, in place of CountSourceRows (see
// SetSourceCounter). Generated rows: the run key is rank 0's, every rank makes and counts the
// streams rank, rank + R, ... on its threads, and the counts are summed on rank 0 with one
// reduction. On rank 0 gives the status CountSourceRows would give, the counts in `counts`;
// on the others throws RankDone.
cli::RowSource::Status CountOnRanks(MPI_Comm comm, cli::RowSource& source, ShuffleCounts& counts);

}  // namespace brevane::mpi
