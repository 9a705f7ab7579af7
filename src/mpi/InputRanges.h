#pragma once

#include <mpi.h>

#include "cli/AnalysisOptions.h"
#include "stats/ShuffleCounts.h"

namespace brevane::mpi {

// The rows of --input counted over the ranks of `comm`. A regular file is cut into byte ranges
// at line starts, one per rank, in as many rounds as the ranks need to keep the origins of their
// ranges' pairs in the memory they may use (RankOriginMemory; none: each range is read again to
// guess them). Each rank counts its range on its threads, the pairs across the cuts and the
// guessing game's tables are passed on from rank to rank and from round to round, and the counts
// are summed on rank 0, where they equal brevane-cli's. Rank 0 hashes the whole file on a
// thread of its own and so takes smaller ranges when the output names the file's SHA-256.
// Standard input, files whose size cannot be trusted, files whose lines do not all have the
// first line's length (or ranges too small to pass the guessing game on), and runs of one rank
// are counted by rank 0 alone, the others waiting for its result.
// On rank 0 gives End or the first fault in file order (its message in source.Error(), with the
// line number in the whole file); the other ranks throw RankDone with the job's exit status.
cli::RowSource::Status CountInputOnRanks(MPI_Comm comm, cli::RowSource& source,
                                         ShuffleCounts& counts);

}  // namespace brevane::mpi
