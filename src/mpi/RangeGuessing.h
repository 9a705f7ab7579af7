#pragma once

#include <mpi.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "ranges/RangeCount.h"
#include "stats/ShuffleCounts.h"

namespace brevane::mpi {

// Where this rank's range lies in the file, to be read again.
struct RangeRead {
    std::FILE* file = nullptr;
    std::string path;
    std::uint64_t start = 0;
    std::uint64_t length = 0;
    bool fromNewDeck = false;
    unsigned threads = 1;
    // The range was counted with its pairs' origins kept (RangeRows::origins), and is not read
    // again.
    bool keptOrigins = false;
};

// How this rank's range stands among the others (the ranks with no rows left out).
struct RangeLinks {
    std::uint64_t pairsBefore = 0;           // the pairs of the ranks before
    const std::uint8_t* previous = nullptr;  // the row before the range, if any
    int tailFrom = -1;  // the rank that sends the pairs since the last block boundary
    int tailTo = -1;    // the rank this one sends its own to
    std::size_t tailToPairs = 0;
    bool laterRows = false;  // a rank after this one has rows, and needs its tables
};

// The guessing game over this rank's range, as one run over the ranks' rows in order plays it.
// Every rank passes on its tables, then plays the game over its pairs from the tables of the
// ranks before and of the rounds before (`carried`), setting the guessing of `mine` (the range's
// counts with the pair across the cut before it): from the origins kept as the range was
// counted, or by reading the range again (ScoreFileRange). Rank 0's range, when counted with
// CountFirstFileRange, is guessed already. With kept origins, `tables` becomes the tables of the
// range's own pairs, that across the cut included. False, with the reason in `error`, when
// reading again fails. Every rank must call it.
bool GuessRange(MPI_Comm comm, const RangeRead& read, const RangeRows& range,
                const RangeLinks& links, const PairsBefore& carried, ShuffleCounts& mine,
                GuessTables& tables, std::string& error);

}  // namespace brevane::mpi
