#include "mpi/InputRounds.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "mpi/RangeExchange.h"
#include "mpi/RangeGuessing.h"
#include "ranges/FileRanges.h"
#include "ranges/PartGuessing.h"
#include "ranges/RangeCount.h"

namespace brevane::mpi {

namespace {

using Status = cli::RowSource::Status;

RoundEnd Leaving(Status status) {
    RoundEnd end;
    end.kind = RoundEnd::Kind::Leave;
    end.status = status;
    return end;
}

// Where this rank's range of the round begins and ends (ExportPieceReader::Unlimited for the
// last range of the run), or why that could not be found.
struct RangeBounds {
    std::uint64_t start = 0;
    std::uint64_t end = ExportPieceReader::Unlimited;
    std::string failure;
};

RangeBounds FindBounds(const RoundRun& run, std::uint64_t round) {
    RangeBounds bounds;
    bounds.failure = run.openFailure;
    if (!run.file || !bounds.failure.empty()) return bounds;
    const int fd = fileno(run.file);
    int error = 0;
    const std::optional<std::uint64_t> start =
        NextLineStart(fd, run.cuts.Cut(round, run.rank, run.ranks), run.cuts.size, error);
    if (!start) {
        bounds.failure = run.path + ": " + std::strerror(error);
        return bounds;
    }
    bounds.start = *start;
    const bool lastRank = run.rank + 1 == run.ranks;
    if (lastRank && round + 1 == run.cuts.rounds) return bounds;
    // The range ends where the next one begins: the next rank's, or the next round's first.
    const std::uint64_t next = lastRank ? run.cuts.Cut(round + 1, 0, run.ranks)
                                        : run.cuts.Cut(round, run.rank + 1, run.ranks);
    const std::optional<std::uint64_t> end = NextLineStart(fd, next, run.cuts.size, error);
    if (!end) {
        bounds.failure = run.path + ": " + std::strerror(error);
        return bounds;
    }
    bounds.end = std::max(*end, bounds.start);
    return bounds;
}

}  // namespace

RoundEnd CountRound(const RoundRun& run, std::uint64_t round, const ShuffleCounts& counts,
                    cli::RowSource& source, RoundCarry& carry) {
    const MPI_Comm comm = run.comm;
    const int rank = run.rank;
    const int ranks = run.ranks;
    const bool lastRound = round + 1 == run.cuts.rounds;
    const RangeBounds bounds = FindBounds(run, round);
    const std::vector<std::uint64_t> failed = GatherValues(comm, bounds.failure.empty() ? 0 : 1);
    if (const int first = FirstRank(ranks, [&](std::size_t r) { return failed[r] != 0; });
        first >= 0) {
        const std::string text = BroadcastText(comm, first, bounds.failure);
        if (rank == 0) source.SetInputError(text);
        return Leaving(Status::ReadFailed);
    }

    // Each rank counts its range, its rows numbered as if every line had the first line's length.
    const std::uint64_t start = bounds.start;
    const std::uint64_t end = bounds.end;
    const std::uint64_t guessedFirst = counts.FirstRowIndex() + start / run.lineBytes;
    const std::uint64_t length = end == ExportPieceReader::Unlimited ? end : end - start;
    const bool lastRange = lastRound && rank + 1 == ranks;
    // The run's first range, unless the origins are kept, plays the guessing game as it counts.
    RangeRows range =
        rank == 0 && !run.keep && round == 0
            ? CountFirstFileRange(run.file, run.path, start, length, counts.View(), guessedFirst,
                                  counts.FromNewDeck(), run.threads, &source.Progress())
            : CountFileRange(run.file, run.path, start, length, counts.View(), guessedFirst,
                             counts.FromNewDeck(), !lastRange, run.threads,
                             rank == 0 ? &source.Progress() : nullptr, run.keep, run.pool);
    const std::vector<RangeSummary> all = GatherSummaries(
        comm,
        {static_cast<std::uint64_t>(range.status), range.counts.Rows(), range.lines, guessedFirst});

    // The first fault in file order ends the job; the ranges before it read every line as a row.
    const auto ended = static_cast<std::uint64_t>(Status::End);
    if (const int faulty = FirstRank(ranks, [&](std::size_t r) { return all[r].status != ended; });
        faulty >= 0) {
        const RangeSummary& at = all[static_cast<std::size_t>(faulty)];
        std::uint64_t linesBefore = carry.lines;
        for (int r = 0; r < faulty; ++r) linesBefore += all[static_cast<std::size_t>(r)].lines;
        const std::string text = BroadcastText(comm, faulty, range.error);
        const auto status = static_cast<Status>(at.status);
        if (rank == 0) {
            source.SetInputError(status == Status::BadLine ? MessageAtLine(text, run.path, at.lines,
                                                                           linesBefore + at.lines)
                                                           : text);
        }
        return Leaving(status);
    }

    // Every rank knows every range's rows: whether the rows were numbered right, and whether
    // each rank's pairs cover the part of a block its successor must learn again (the next
    // round's first range being the last one's successor).
    const bool fromNewDeck = counts.FromNewDeck();
    std::uint64_t rowsBefore = carry.rows;
    std::uint64_t pairs = carry.before.pairs;
    bool numbered = true;
    bool tailsFit = true;
    int lastFull = -1;  // the last rank with rows so far in this round
    std::vector<std::uint64_t> pairsBefore(all.size());
    std::vector<int> previousFull(all.size(), -1);
    for (std::size_t r = 0; r < all.size(); ++r) {
        const std::uint64_t rows = all[r].rows;
        pairsBefore[r] = pairs;
        previousFull[r] = lastFull;
        if (rows == 0) continue;
        numbered = numbered && all[r].guessedFirstRow == counts.FirstRowIndex() + rowsBefore;
        const std::uint64_t tail = pairs % GuessBlockPairs;
        const std::uint64_t mine = fromNewDeck || lastFull >= 0 || carry.last ? rows : rows - 1;
        // A tail from the rounds before was carried whole.
        if (tail > 0 && lastFull >= 0) {
            const std::uint64_t theirs = pairs - pairsBefore[static_cast<std::size_t>(lastFull)];
            tailsFit = tailsFit && theirs >= tail;
        }
        rowsBefore += rows;
        pairs += mine;
        lastFull = static_cast<int>(r);
    }
    const std::size_t endTail = static_cast<std::size_t>(pairs % GuessBlockPairs);
    if (!lastRound && endTail > 0 && lastFull >= 0) {
        const std::uint64_t theirs = pairs - pairsBefore[static_cast<std::size_t>(lastFull)];
        tailsFit = tailsFit && theirs >= endTail;
    }
    if (!numbered || !tailsFit) {
        RoundEnd alone;
        alone.kind = RoundEnd::Kind::Alone;
        return alone;
    }

    // The pair across each cut, and the guessing game passed on from rank to rank.
    const std::vector<std::uint8_t> lastRows = GatherLastRows(comm, range);
    const auto me = static_cast<std::size_t>(rank);
    const int before = previousFull[me];
    const std::uint8_t* previous = before >= 0
                                       ? &lastRows[static_cast<std::size_t>(before) * DeckSize]
                                   : carry.last ? carry.last->data()
                                                : nullptr;
    RoundEnd result;
    result.mine = previous ? WithPairBefore(range.counts, previous) : range.counts;
    RangeLinks links;
    links.pairsBefore = pairsBefore[me];
    links.previous = previous;
    if (range.counts.Rows() > 0) {
        for (std::size_t r = me + 1; r < all.size(); ++r) {
            if (all[r].rows == 0) continue;
            links.laterRows = true;
            links.tailToPairs = static_cast<std::size_t>(pairsBefore[r] % GuessBlockPairs);
            if (links.tailToPairs > 0) links.tailTo = static_cast<int>(r);
            break;
        }
        if (pairsBefore[me] % GuessBlockPairs != 0) links.tailFrom = before;
    }
    const RangeRead read{run.file, run.path, start, length, fromNewDeck, run.threads, run.keep};
    GuessTables tables;
    GuessRange(comm, read, range, links, carry.before, *result.mine, tables, result.unread);
    if (run.pool) run.pool->GiveBack(range.origins);
    if (lastRound) return result;

    // What the next round learns of this one: its rows, lines and pairs, its tables, its last
    // row, and the origins of its pairs since the last block boundary, from its last range.
    for (const RangeSummary& summary : all) carry.lines += summary.lines;
    carry.rows = rowsBefore;
    carry.before.pairs = pairs;
    carry.before.tables.Add(SumTables(comm, tables));
    if (lastFull >= 0) {
        const auto from = static_cast<std::size_t>(lastFull);
        std::vector<std::uint8_t> tail;
        if (rank == lastFull && endTail > 0) {
            const std::size_t kept = range.lastRows.size() / DeckSize;
            const PartRows part{kept == range.counts.Rows() ? previous : nullptr,
                                range.lastRows.data(), kept, fromNewDeck};
            tail = LastPairOrigins(part, endTail);
        }
        carry.before.tail = BroadcastBytes(comm, lastFull, std::move(tail));
        carry.last.emplace();
        std::copy_n(&lastRows[from * DeckSize], DeckSize, carry.last->begin());
    }
    return result;
}

}  // namespace brevane::mpi
