#include "mpi/RankCounts.h"

#include <array>
#include <cstring>
#include <optional>
#include <vector>

#include "cli/RunSource.h"
#include "mpi/InputRanges.h"
#include "streams/StreamCounts.h"
#include "work/ParallelRows.h"

namespace brevane::mpi {

namespace {

using Tables = ShuffleCounts::Tables;

// ShuffleCounts::Tables member for member: a table added there must be summed over the ranks
// here (Flatten, Unflatten), which this check asks for.
struct SummedTables {
    SeatView view;
    std::uint64_t firstRow, rows, pairs;
    std::array<std::uint8_t, DeckSize> first, last;
    CountTable cards, moves;
    std::array<std::uint64_t, DeckSize> rising;
    std::array<std::uint64_t, 53> fixed;
    std::array<std::uint64_t, HandCategoryCount> categories;
    bool fromNewDeck;
    std::optional<GuessingCounts> guessing;
};
static_assert(sizeof(Tables) == sizeof(SummedTables),
              "every table of ShuffleCounts::Tables must be summed over the ranks");

std::vector<std::uint64_t> Flatten(const Tables& t) {
    std::vector<std::uint64_t> flat = {t.rows, t.pairs};
    for (const auto& row : t.cards) flat.insert(flat.end(), row.begin(), row.end());
    for (const auto& row : t.moves) flat.insert(flat.end(), row.begin(), row.end());
    flat.insert(flat.end(), t.rising.begin(), t.rising.end());
    flat.insert(flat.end(), t.fixed.begin(), t.fixed.end());
    flat.insert(flat.end(), t.categories.begin(), t.categories.end());
    // The guessing game's counts, with a 1 for each rank that holds them: the sum holds them
    // only when every rank's counts do.
    const GuessingCounts guessing = t.guessing.value_or(GuessingCounts{});
    flat.push_back(t.guessing ? 1 : 0);
    for (const auto& row : guessing.followers) flat.insert(flat.end(), row.begin(), row.end());
    for (const GuessTotals* totals : {&guessing.byPosition, &guessing.byFollower})
        flat.insert(flat.end(), {totals->correct, totals->squares, totals->decks});
    return flat;
}

void Unflatten(const std::vector<std::uint64_t>& flat, int ranks, Tables& t) {
    std::size_t at = 0;
    t.rows = flat[at++];
    t.pairs = flat[at++];
    for (auto& row : t.cards)
        for (auto& cell : row) cell = flat[at++];
    for (auto& row : t.moves)
        for (auto& cell : row) cell = flat[at++];
    for (auto& cell : t.rising) cell = flat[at++];
    for (auto& cell : t.fixed) cell = flat[at++];
    for (auto& cell : t.categories) cell = flat[at++];
    const bool everyRankGuessed = flat[at++] == static_cast<std::uint64_t>(ranks);
    GuessingCounts guessing;
    for (auto& row : guessing.followers)
        for (auto& cell : row) cell = flat[at++];
    for (GuessTotals* totals : {&guessing.byPosition, &guessing.byFollower}) {
        totals->correct = flat[at++];
        totals->squares = flat[at++];
        totals->decks = flat[at++];
    }
    t.guessing.reset();
    if (everyRankGuessed) t.guessing = guessing;
}

// The ends of a rank's counts as bytes: the two stream indexes, then the first and last rows.
using EndsBytes = std::array<std::uint8_t, 16 + 2 * DeckSize>;

EndsBytes ToBytes(const StreamEnds& ends) {
    EndsBytes bytes{};
    std::memcpy(bytes.data(), &ends.firstStream, 8);
    std::memcpy(bytes.data() + 8, &ends.lastStream, 8);
    std::memcpy(bytes.data() + 16, ends.first.data(), DeckSize);
    std::memcpy(bytes.data() + 16 + DeckSize, ends.last.data(), DeckSize);
    return bytes;
}

StreamEnds FromBytes(const std::uint8_t* bytes) {
    StreamEnds ends;
    std::memcpy(&ends.firstStream, bytes, 8);
    std::memcpy(&ends.lastStream, bytes + 8, 8);
    std::memcpy(ends.first.data(), bytes + 16, DeckSize);
    std::memcpy(ends.last.data(), bytes + 16 + DeckSize, DeckSize);
    return ends;
}

}  // namespace

ShuffleCounts SumOnRankZero(MPI_Comm comm, const ShuffleCounts& mine, const StreamEnds& ends) {
    int rank = 0;
    int ranks = 1;
    MPI_Comm_rank(comm, &rank);
    MPI_Comm_size(comm, &ranks);
    const Tables tables = mine.ToTables();
    const std::vector<std::uint64_t> flat = Flatten(tables);
    std::vector<std::uint64_t> sum(flat.size());
    MPI_Reduce(flat.data(), sum.data(), static_cast<int>(flat.size()), MPI_UINT64_T, MPI_SUM, 0,
               comm);
    const EndsBytes bytes = ToBytes(ends);
    std::vector<std::uint8_t> all(rank == 0 ? bytes.size() * static_cast<std::size_t>(ranks) : 0);
    MPI_Gather(bytes.data(), static_cast<int>(bytes.size()), MPI_BYTE, all.data(),
               static_cast<int>(bytes.size()), MPI_BYTE, 0, comm);
    if (rank != 0) return mine;
    StreamEnds whole;
    for (int r = 0; r < ranks; ++r) whole.Note(FromBytes(all.data() + r * bytes.size()));
    Tables total = tables;
    Unflatten(sum, ranks, total);
    if (total.rows == 0)
        return ShuffleCounts(mine.View(), mine.FirstRowIndex(), mine.FromNewDeck());
    total.first = whole.first;
    total.last = whole.last;
    return ShuffleCounts::FromTables(total);
}

cli::RowSource::Status CountOnRanks(MPI_Comm comm, cli::RowSource& source, ShuffleCounts& counts) {
    int rank = 0;
    int ranks = 1;
    MPI_Comm_rank(comm, &rank);
    MPI_Comm_size(comm, &ranks);
    if (!source.Generated()) return CountInputOnRanks(comm, source, counts);
    StreamPlan plan = *source.Plan();
    // A timer's key is rank 0's.
    MPI_Bcast(plan.runKey.data(), static_cast<int>(plan.runKey.size()), MPI_BYTE, 0, comm);
    plan.first = static_cast<std::uint64_t>(rank);
    plan.step = static_cast<std::uint64_t>(ranks);
    if (plan.only && rank != 0) plan.shuffles = 0;  // one stream alone is rank 0's
    const ShuffleCounts mine = CountStreams(plan, counts.View(), counts.FirstRowIndex(),
                                            DefaultThreadCount(), &source.Progress());
    counts = SumOnRankZero(comm, mine, EndsOf(plan, mine));
    if (rank != 0) throw RankDone{cli::ExitOk};
    return cli::RowSource::Status::End;
}

}  // namespace brevane::mpi
