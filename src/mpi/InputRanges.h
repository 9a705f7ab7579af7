#pragma once

#include <mpi.h>

#include "cli/AnalysisOptions.h"
#include "stats/ShuffleCounts.h"
#include "streams/StreamCounts.h"

namespace brevane::mpi {

// The counts of every rank summed on rank 0 (its own counts elsewhere): the tables added up,
// the first and last rows those of the lowest and highest stream in `ends` over all ranks.
ShuffleCounts SumOnRankZero(MPI_Comm comm, const ShuffleCounts& mine, const StreamEnds& ends);

// The rows of --input counted for the ranks of `comm`. Rank 0 reads and counts the file on its
// threads, as brevane-cli does, and tells the others how it ended; the others throw RankDone
// with the status the job ends with (0, 2 for a bad line, 1 for a failed read).
cli::RowSource::Status CountInputOnRanks(MPI_Comm comm, cli::RowSource& source,
                                         ShuffleCounts& counts);

}  // namespace brevane::mpi
