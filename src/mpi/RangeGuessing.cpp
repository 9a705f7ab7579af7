#include "mpi/RangeGuessing.h"

#include <optional>

#include "mpi/RangeExchange.h"

namespace brevane::mpi {

namespace {

// The tables of the pairs counted in `mine` (the position table being its moves), with
// `followers` for their follower table.
GuessTables TablesOf(const ShuffleCounts& mine, const FollowerTable& followers) {
    GuessTables tables;
    const CountTable moves = mine.Moves();
    for (std::size_t i = 0; i < DeckSize; ++i)
        for (std::size_t j = 0; j < DeckSize; ++j) tables.positions[j][i] = moves[i][j];
    tables.followers = followers;
    return tables;
}

}  // namespace

bool GuessRange(MPI_Comm comm, const RangeRead& read, const RangeRows& range,
                const RangeLinks& links, const PairsBefore& carried, ShuffleCounts& mine,
                GuessTables& tables, std::string& error) {
    int rank = 0;
    MPI_Comm_rank(comm, &rank);
    const bool fromNewDeck = read.fromNewDeck;
    const std::uint8_t* previous = fromNewDeck ? nullptr : links.previous;
    // The pair across the cut before the range, which its counting did not see.
    std::uint8_t across[DeckSize];
    const bool acrossCut = previous && range.counts.Rows() > 0;
    if (acrossCut) PairOriginsAfter(previous, range.counts.FirstRow().data(), across);
    tables = {};
    if (links.laterRows || read.keptOrigins) {
        if (rank == 0 && !read.keptOrigins) {
            const std::optional<GuessingCounts> guessed = range.counts.Guessing();
            tables = TablesOf(mine, guessed ? guessed->followers : FollowerTable{});
        } else {
            FollowerTable followers = range.followers;
            if (acrossCut) AddFollowers(followers, across);
            tables = TablesOf(mine, followers);
        }
    }
    // The kept rows are the whole range, whose first row pairs with the one before, or its
    // last GuessBlockPairs rows, whose pairs within are enough for any tail.
    const std::size_t kept = range.lastRows.size() / DeckSize;
    const PartRows last{kept == range.counts.Rows() ? previous : nullptr, range.lastRows.data(),
                        kept, fromNewDeck};
    const PairsBefore before = ExchangeTables(comm, tables, last, links.pairsBefore, links.tailFrom,
                                              links.tailTo, links.tailToPairs, carried);
    if (read.keptOrigins) {
        PartScorer scorer(before, fromNewDeck, previous, read.threads);
        if (acrossCut) scorer.AddOrigins(across, 1);
        for (const auto& chunk : range.origins)
            scorer.AddOrigins(chunk.data(), chunk.size() / DeckSize);
        mine.SetGuessing(scorer.Finish());
        return true;
    }
    if (rank == 0) return true;
    const RangeExpected expected{range.counts.Rows(), range.counts.LastRow()};
    const std::optional<GuessingCounts> scored =
        ScoreFileRange(read.file, read.path, read.start, read.length, before, fromNewDeck, previous,
                       read.threads, expected, error);
    if (!scored) return false;
    mine.SetGuessing(*scored);
    return true;
}

}  // namespace brevane::mpi
