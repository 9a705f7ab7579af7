#pragma once

#include <mpi.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "cli/AnalysisOptions.h"
#include "ranges/OriginPool.h"
#include "ranges/PartScorer.h"
#include "ranges/RoundCuts.h"
#include "stats/ShuffleCounts.h"

namespace brevane::mpi {

// What the rounds counted so far pass on to the next, the same on every rank.
struct RoundCarry {
    std::uint64_t rows = 0;
    std::uint64_t lines = 0;
    PairsBefore before;  // their pairs, tables and last block's tail
    std::optional<std::array<std::uint8_t, DeckSize>> last;  // their last row
};

// What every round of a run shares.
struct RoundRun {
    MPI_Comm comm = MPI_COMM_NULL;
    int rank = 0;
    int ranks = 1;
    std::FILE* file = nullptr;  // null when it could not be opened (`openFailure` says why)
    std::string path;
    std::string openFailure;
    std::uint64_t lineBytes = 1;  // the first line's length, by which rows are numbered
    RoundCuts cuts;
    bool keep = false;  // the origins are kept (in `pool`) rather than read again
    ranges::OriginPool* pool = nullptr;
    unsigned threads = 1;
};

// How a round ended on this rank.
struct RoundEnd {
    enum class Kind {
        Counted,  // `mine` holds this rank's range
        Leave,    // the run ends with `status` (every rank alike)
        Alone,    // rank 0 must count the whole file by itself (every rank alike)
    };
    Kind kind = Kind::Counted;
    cli::RowSource::Status status = cli::RowSource::Status::End;
    std::optional<ShuffleCounts> mine;  // the range's counts, the pair before it and its guessing
    std::string unread;                 // why reading the range again failed, if it did
};

// Counts this rank's range of round `round`, finds the pair across its cut, and plays the
// guessing game over it from what `carry` passes on, which it then carries past the round. Kept
// origins go back to the pool.
// `counts` gives the view, first row index and starting order; `source` takes rank 0's
// progress and the first fault in file order. Every rank must call it.
RoundEnd CountRound(const RoundRun& run, std::uint64_t round, const ShuffleCounts& counts,
                    cli::RowSource& source, RoundCarry& carry);

}  // namespace brevane::mpi
