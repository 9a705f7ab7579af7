#include "mpi/RangeExchange.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <thread>
#include <utility>

namespace brevane::mpi {

namespace {

constexpr int TailTag = 21;

constexpr std::size_t TableCells = DeckSize * DeckSize + (DeckSize + 1) * DeckSize;

std::vector<std::uint64_t> TableCellsOf(const GuessTables& tables) {
    std::vector<std::uint64_t> cells;
    cells.reserve(TableCells);
    for (const auto& row : tables.positions) cells.insert(cells.end(), row.begin(), row.end());
    for (const auto& row : tables.followers) cells.insert(cells.end(), row.begin(), row.end());
    return cells;
}

GuessTables TablesOf(const std::vector<std::uint64_t>& cells) {
    GuessTables tables;
    std::size_t at = 0;
    for (auto& row : tables.positions)
        for (auto& cell : row) cell = cells[at++];
    for (auto& row : tables.followers)
        for (auto& cell : row) cell = cells[at++];
    return tables;
}

// `bytes` (a string or a vector of bytes) from rank `root` on every rank: its size, then its
// bytes.
template <class Bytes>
Bytes Broadcast(MPI_Comm comm, int root, Bytes bytes) {
    std::uint64_t size = bytes.size();
    MPI_Bcast(&size, 1, MPI_UINT64_T, root, comm);
    bytes.resize(static_cast<std::size_t>(size));
    MPI_Bcast(bytes.data(), static_cast<int>(size), MPI_BYTE, root, comm);
    return bytes;
}

}  // namespace

void QuietWait(MPI_Request& request) {
    int done = 0;
    for (;;) {
        MPI_Test(&request, &done, MPI_STATUS_IGNORE);
        if (done) return;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
}

void QuietBarrier(MPI_Comm comm) {
    MPI_Request request = MPI_REQUEST_NULL;
    MPI_Ibarrier(comm, &request);
    QuietWait(request);
}

std::vector<RangeSummary> GatherSummaries(MPI_Comm comm, const RangeSummary& mine) {
    int ranks = 1;
    MPI_Comm_size(comm, &ranks);
    const std::array<std::uint64_t, 4> fields = {mine.status, mine.rows, mine.lines,
                                                 mine.guessedFirstRow};
    std::vector<std::uint64_t> all(fields.size() * static_cast<std::size_t>(ranks));
    MPI_Request request = MPI_REQUEST_NULL;
    MPI_Iallgather(fields.data(), static_cast<int>(fields.size()), MPI_UINT64_T, all.data(),
                   static_cast<int>(fields.size()), MPI_UINT64_T, comm, &request);
    QuietWait(request);
    std::vector<RangeSummary> summaries(static_cast<std::size_t>(ranks));
    for (std::size_t r = 0; r < summaries.size(); ++r) {
        summaries[r] = {all[4 * r], all[4 * r + 1], all[4 * r + 2], all[4 * r + 3]};
    }
    return summaries;
}

std::vector<std::uint64_t> GatherValues(MPI_Comm comm, std::uint64_t mine) {
    int ranks = 1;
    MPI_Comm_size(comm, &ranks);
    std::vector<std::uint64_t> all(static_cast<std::size_t>(ranks));
    MPI_Request request = MPI_REQUEST_NULL;
    MPI_Iallgather(&mine, 1, MPI_UINT64_T, all.data(), 1, MPI_UINT64_T, comm, &request);
    QuietWait(request);
    return all;
}

GuessTables SumTables(MPI_Comm comm, const GuessTables& mine) {
    const std::vector<std::uint64_t> cells = TableCellsOf(mine);
    std::vector<std::uint64_t> sum(cells.size(), 0);
    MPI_Request request = MPI_REQUEST_NULL;
    MPI_Iallreduce(cells.data(), sum.data(), static_cast<int>(cells.size()), MPI_UINT64_T, MPI_SUM,
                   comm, &request);
    QuietWait(request);
    return TablesOf(sum);
}

std::vector<std::uint8_t> BroadcastBytes(MPI_Comm comm, int root, std::vector<std::uint8_t> bytes) {
    return Broadcast(comm, root, std::move(bytes));
}

std::string BroadcastText(MPI_Comm comm, int root, std::string text) {
    return Broadcast(comm, root, std::move(text));
}

std::vector<std::uint8_t> GatherLastRows(MPI_Comm comm, const RangeRows& mine) {
    int ranks = 1;
    MPI_Comm_size(comm, &ranks);
    std::array<std::uint8_t, DeckSize> last{};
    if (mine.counts.Rows() > 0) last = mine.counts.LastRow();
    std::vector<std::uint8_t> all(DeckSize * static_cast<std::size_t>(ranks));
    MPI_Allgather(last.data(), DeckSize, MPI_BYTE, all.data(), DeckSize, MPI_BYTE, comm);
    return all;
}

ShuffleCounts WithPairBefore(const ShuffleCounts& counts, const std::uint8_t* previous) {
    if (counts.FromNewDeck() || counts.Rows() == 0 || counts.FirstRowIndex() == 0) return counts;
    // The pair counted by merging the two rows alone, less what each row counts by itself.
    ShuffleCounts before(counts.View(), counts.FirstRowIndex() - 1, false);
    before.DeferGuessing();
    before.AddRow(previous);
    ShuffleCounts first(counts.View(), counts.FirstRowIndex(), false);
    first.DeferGuessing();
    first.AddRow(counts.FirstRow().data());
    ShuffleCounts joined = before;
    joined.Merge(first);
    const ShuffleCounts::Tables pair = joined.ToTables();
    const ShuffleCounts::Tables lone = before.ToTables();
    const ShuffleCounts::Tables firstAlone = first.ToTables();
    ShuffleCounts::Tables tables = counts.ToTables();
    tables.pairs += pair.pairs - lone.pairs - firstAlone.pairs;
    for (std::size_t i = 0; i < DeckSize; ++i) {
        for (std::size_t j = 0; j < DeckSize; ++j)
            tables.moves[i][j] += pair.moves[i][j] - lone.moves[i][j] - firstAlone.moves[i][j];
        tables.rising[i] += pair.rising[i] - lone.rising[i] - firstAlone.rising[i];
    }
    for (std::size_t k = 0; k < tables.fixed.size(); ++k)
        tables.fixed[k] += pair.fixed[k] - lone.fixed[k] - firstAlone.fixed[k];
    ShuffleCounts result = ShuffleCounts::FromTables(tables);
    return result;
}

namespace {

// The tables of every pair of the ranks before this one, each rank giving the tables of its own.
GuessTables TablesBefore(MPI_Comm comm, const GuessTables& mine) {
    int rank = 0;
    MPI_Comm_rank(comm, &rank);
    const std::vector<std::uint64_t> cells = TableCellsOf(mine);
    std::vector<std::uint64_t> sum(cells.size(), 0);
    QuietBarrier(comm);
    MPI_Exscan(cells.data(), sum.data(), static_cast<int>(cells.size()), MPI_UINT64_T, MPI_SUM,
               comm);
    if (rank == 0) std::fill(sum.begin(), sum.end(), 0);
    return TablesOf(sum);
}

// Starts sending the origins of the last `pairs` pairs of `part` to rank `to`.
MPI_Request SendTail(MPI_Comm comm, const PartRows& part, int to, std::size_t pairs,
                     std::vector<std::uint8_t>& origins) {
    MPI_Request sent = MPI_REQUEST_NULL;
    if (to < 0) return sent;
    origins = LastPairOrigins(part, pairs);
    MPI_Isend(origins.data(), static_cast<int>(origins.size()), MPI_BYTE, to, TailTag, comm, &sent);
    return sent;
}

}  // namespace

PairsBefore ExchangeTables(MPI_Comm comm, const GuessTables& mine, const PartRows& lastRows,
                           std::uint64_t pairsBefore, int tailFrom, int tailTo,
                           std::size_t tailToPairs, const PairsBefore& carried) {
    PairsBefore before;
    before.pairs = pairsBefore;
    before.tables = TablesBefore(comm, mine);
    before.tables.Add(carried.tables);
    if (tailFrom < 0 && pairsBefore % GuessBlockPairs != 0) before.tail = carried.tail;
    std::vector<std::uint8_t> tailOut;
    MPI_Request sent = SendTail(comm, lastRows, tailTo, tailToPairs, tailOut);
    if (tailFrom >= 0) {
        before.tail.resize(static_cast<std::size_t>(pairsBefore % GuessBlockPairs) * DeckSize);
        MPI_Recv(before.tail.data(), static_cast<int>(before.tail.size()), MPI_BYTE, tailFrom,
                 TailTag, comm, MPI_STATUS_IGNORE);
    }
    MPI_Wait(&sent, MPI_STATUS_IGNORE);
    return before;
}

}  // namespace brevane::mpi
