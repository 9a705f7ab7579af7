#include "mpi/InputRanges.h"

#include "cli/SourceCounts.h"
#include "mpi/RankCounts.h"

namespace brevane::mpi {

cli::RowSource::Status CountInputOnRanks(MPI_Comm comm, cli::RowSource& source,
                                         ShuffleCounts& counts) {
    using Status = cli::RowSource::Status;
    int rank = 0;
    MPI_Comm_rank(comm, &rank);
    int ended = static_cast<int>(Status::End);
    Status status = Status::End;
    if (rank == 0) {
        status = cli::CountSourceRowsHere(source, counts);
        ended = static_cast<int>(status);
    }
    // Every rank reaches this, whatever rank 0 met.
    MPI_Bcast(&ended, 1, MPI_INT, 0, comm);
    if (rank == 0) return status;
    const auto theirs = static_cast<Status>(ended);
    throw RankDone{theirs == Status::End       ? cli::ExitOk
                   : theirs == Status::BadLine ? cli::ExitUsage
                                               : cli::ExitFailure};
}

}  // namespace brevane::mpi
