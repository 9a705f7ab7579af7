#pragma once

#include <mpi.h>

#include "cli/AnalysisOptions.h"
#include "stats/ShuffleCounts.h"

namespace brevane::mpi {

// The rows of --input counted over the ranks of `comm`. A regular file is cut into one byte
// range per rank at line starts; each rank counts its range on its threads, the pairs across
// the cuts and the guessing game's tables are passed on from rank to rank, and the counts are
// summed on rank 0, where they equal brevane-cli's. Rank 0 hashes the whole file on a thread of
// its own and so takes a smaller range when the output names the file's SHA-256.
// Standard input, files whose size cannot be trusted, and files whose lines do not all have the
// first line's length (or ranks too small to pass the guessing game on) are counted by rank 0
// alone, the others waiting for its result.
// On rank 0 gives End or the first fault in file order (its message in source.Error(), with the
// line number in the whole file); the other ranks throw RankDone with the job's exit status.
cli::RowSource::Status CountInputOnRanks(MPI_Comm comm, cli::RowSource& source,
                                         ShuffleCounts& counts);

}  // namespace brevane::mpi
