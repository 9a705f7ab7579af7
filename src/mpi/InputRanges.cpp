#include "mpi/InputRanges.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "cli/SourceCounts.h"
#include "mpi/RangeExchange.h"
#include "mpi/RangeGuessing.h"
#include "mpi/RankCounts.h"
#include "mpi/RankMemory.h"
#include "ranges/FileRanges.h"
#include "streams/StreamCounts.h"
#include "work/ParallelRows.h"

namespace brevane::mpi {

namespace {

using Status = cli::RowSource::Status;

// What hashing a byte costs rank 0, in thousandths of what handling it costs a rank in the part
// of the run that hashing overlaps: when the origins are kept, parsing and counting; otherwise
// parsing, counting and guessing, beside which SHA-256 with the processor's instructions is cheap.
// Measured on two cores, the threads of both ranks sharing them.
constexpr std::uint64_t DigestCostPerMille(bool keptOrigins) {
    return keptOrigins ? 250 : 20;
}

int ExitFor(Status status) {
    return status == Status::End       ? cli::ExitOk
           : status == Status::BadLine ? cli::ExitUsage
                                       : cli::ExitFailure;
}

// Rank 0 gives `status`; every other rank leaves the command with the job's exit status.
Status Leave(int rank, Status status) {
    if (rank == 0) return status;
    throw RankDone{ExitFor(status)};
}

// Rank 0 reads and counts the whole input as brevane-cli does and tells the others how it ended.
Status CountOnRankZero(MPI_Comm comm, int rank, cli::RowSource& source, ShuffleCounts& counts) {
    int ended = static_cast<int>(Status::End);
    Status status = Status::End;
    if (rank == 0) {
        status = cli::CountSourceRowsHere(source, counts);
        ended = static_cast<int>(status);
    }
    MPI_Request request = MPI_REQUEST_NULL;
    MPI_Ibcast(&ended, 1, MPI_INT, 0, comm, &request);
    QuietWait(request);
    return Leave(rank, static_cast<Status>(ended));
}

// How the file is cut: its size (0: rank 0 counts it alone), the length of its first line,
// and whether its digest is wanted.
struct Plan {
    std::uint64_t size = 0;
    std::uint64_t lineBytes = 0;
    std::uint64_t digest = 0;
};

Plan PlanOnRankZero(cli::RowSource& source) {
    const std::string& path = source.InputPath();
    struct stat info {};
    if (path == "-" || stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
        info.st_size <= 0) {
        return {};
    }
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return {};
    int error = 0;
    const std::optional<std::uint64_t> lineBytes = FirstLineBytes(fd, LongestExportLine, error);
    close(fd);
    if (!lineBytes || *lineBytes == 0) return {};
    const bool digest = static_cast<bool>(source.ParallelOptions().observeInput);
    return {static_cast<std::uint64_t>(info.st_size), *lineBytes, digest ? 1u : 0u};
}

// Rank 0's share of the file, in thousandths of another rank's. When the ranks keep the origins
// of their pairs, each counts its range, passes on its tables and plays the guessing game over
// what it kept, so the ranks weigh the same. Otherwise rank 0 plays the game over its rows as it
// counts them, while the others only count theirs, wait for the tables of the rows before them,
// and then read their ranges again to play. So rank 0 takes less, to end about when the others
// can start their guessing: guessing a row costs about twice what reading and counting it does.
// On two cores the runs were a little faster with every step from 700 down to 200. When rank 0
// also hashes the whole file it takes less again.
std::uint64_t RankZeroShare(int ranks, bool digest, bool keptOrigins) {
    const std::uint64_t guessingShare = keptOrigins ? 1000 : 300;
    if (!digest || ranks < 2) return guessingShare;
    const std::uint64_t cost = DigestCostPerMille(keptOrigins);
    const std::uint64_t others = static_cast<std::uint64_t>(ranks - 1) * cost;
    if (others >= 1000) return 0;
    return (1000 - others) * guessingShare / (1000 + cost);
}

// Whether every rank has the memory to keep the origins of its range's pairs, the ranges cut as
// RankZeroShare weighs them when the origins are kept. Every rank must call it.
bool KeepOrigins(MPI_Comm comm, int rank, int ranks, const Plan& plan) {
    const std::uint64_t memory = RankOriginMemory(comm);
    const std::uint64_t share = RankZeroShare(ranks, plan.digest != 0, true);
    const auto part = static_cast<std::uint64_t>(rank);
    const auto parts = static_cast<std::uint64_t>(ranks);
    const std::uint64_t from = WeightedCut(plan.size, part, parts, share);
    const std::uint64_t to =
        rank + 1 < ranks ? WeightedCut(plan.size, part + 1, parts, share) : plan.size;
    // A row is a line of ExportLineChars characters at least, and the range's ends move on to
    // the next line starts.
    const std::uint64_t rows = (to - from) / ExportLineChars + 2;
    int fits = rows <= memory / DeckSize ? 1 : 0;
    MPI_Allreduce(MPI_IN_PLACE, &fits, 1, MPI_INT, MPI_LAND, comm);
    return fits != 0;
}

// The whole file's SHA-256, on a thread of rank 0, stopped when the digest is not needed after
// all.
class DigestThread {
  public:
    explicit DigestThread(int fd)
        : thread_([this, fd] { hex_ = FileSha256Hex(fd, &stop_, error_); }) {}
    ~DigestThread() { stop_ = true; }
    DigestThread(const DigestThread&) = delete;
    DigestThread& operator=(const DigestThread&) = delete;

    // The hexadecimal digest, or nullopt with errno's value in `error`.
    std::optional<std::string> Result(int& error) {
        thread_.join();
        error = error_;
        return hex_;
    }

  private:
    std::atomic<bool> stop_{false};
    std::optional<std::string> hex_;
    int error_ = 0;
    std::jthread thread_;  // last, so that it ends before what it writes to goes
};

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Whether the file `fd` differs in size or time of change from `opened`, its state when it was
// opened: its ranges were then not all read from the same bytes.
bool Changed(int fd, const struct stat& opened) {
    struct stat now {};
    if (fstat(fd, &now) != 0) return true;
    return now.st_size != opened.st_size || now.st_mtim.tv_sec != opened.st_mtim.tv_sec ||
           now.st_mtim.tv_nsec != opened.st_mtim.tv_nsec;
}

// The lowest rank whose `failed(rank)` holds, or -1.
template <class Failed>
int FirstRank(int ranks, Failed failed) {
    for (int r = 0; r < ranks; ++r)
        if (failed(static_cast<std::size_t>(r))) return r;
    return -1;
}

}  // namespace

Status CountInputOnRanks(MPI_Comm comm, cli::RowSource& source, ShuffleCounts& counts) {
    int rank = 0;
    int ranks = 1;
    MPI_Comm_rank(comm, &rank);
    MPI_Comm_size(comm, &ranks);
    Plan plan;
    if (rank == 0) plan = PlanOnRankZero(source);
    std::array<std::uint64_t, 3> planFields = {plan.size, plan.lineBytes, plan.digest};
    MPI_Bcast(planFields.data(), 3, MPI_UINT64_T, 0, comm);
    plan = {planFields[0], planFields[1], planFields[2]};
    if (plan.size == 0) return CountOnRankZero(comm, rank, source, counts);

    // Every rank opens the file and finds where its range starts.
    const std::string& path = source.InputPath();
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    std::string failure;
    if (!file) failure = path + ": " + std::strerror(errno);
    struct stat opened {};
    if (file && fstat(fileno(file.get()), &opened) != 0)
        failure = path + ": " + std::strerror(errno);
    const bool keep = KeepOrigins(comm, rank, ranks, plan);
    std::optional<DigestThread> digest;
    if (rank == 0 && plan.digest && file) digest.emplace(fileno(file.get()));
    const std::uint64_t firstShare = RankZeroShare(ranks, plan.digest != 0, keep);
    std::uint64_t start = 0;
    if (file && rank > 0) {
        int error = 0;
        const auto cut = static_cast<std::uint64_t>(rank);
        const std::optional<std::uint64_t> at = NextLineStart(
            fileno(file.get()),
            WeightedCut(plan.size, cut, static_cast<std::uint64_t>(ranks), firstShare), plan.size,
            error);
        if (at) {
            start = *at;
        } else {
            failure = path + ": " + std::strerror(error);
        }
    }
    const std::array<std::uint64_t, 2> myCut = {start, failure.empty() ? 0u : 1u};
    std::vector<std::uint64_t> cuts(2 * static_cast<std::size_t>(ranks));
    MPI_Allgather(myCut.data(), 2, MPI_UINT64_T, cuts.data(), 2, MPI_UINT64_T, comm);
    if (const int failed = FirstRank(ranks, [&](std::size_t r) { return cuts[2 * r + 1] != 0; });
        failed >= 0) {
        const std::string text = BroadcastText(comm, failed, failure);
        if (rank == 0) source.SetInputError(text);
        return Leave(rank, Status::ReadFailed);
    }

    // Each rank counts its range, its rows numbered as if every line had the first line's length.
    const auto me = static_cast<std::size_t>(rank);
    const std::uint64_t end =
        rank + 1 < ranks ? std::max(cuts[2 * me + 2], start) : ExportPieceReader::Unlimited;
    const std::uint64_t guessedFirst = counts.FirstRowIndex() + start / plan.lineBytes;
    const std::uint64_t length = end == ExportPieceReader::Unlimited ? end : end - start;
    // Rank 0's range starts the run, so unless the origins are kept it plays the guessing game
    // as it counts.
    RangeRows range =
        rank == 0 && !keep
            ? CountFirstFileRange(file.get(), path, start, length, counts.View(), guessedFirst,
                                  counts.FromNewDeck(), DefaultThreadCount(), &source.Progress())
            : CountFileRange(file.get(), path, start, length, counts.View(), guessedFirst,
                             counts.FromNewDeck(), rank + 1 < ranks, DefaultThreadCount(),
                             rank == 0 ? &source.Progress() : nullptr, keep);
    const std::vector<RangeSummary> all = GatherSummaries(
        comm,
        {static_cast<std::uint64_t>(range.status), range.counts.Rows(), range.lines, guessedFirst});

    // The first fault in file order ends the job; the ranks before it read every line as a row.
    const auto ended = static_cast<std::uint64_t>(Status::End);
    if (const int faulty = FirstRank(ranks, [&](std::size_t r) { return all[r].status != ended; });
        faulty >= 0) {
        const RangeSummary& at = all[static_cast<std::size_t>(faulty)];
        std::uint64_t linesBefore = 0;
        for (int r = 0; r < faulty; ++r) linesBefore += all[static_cast<std::size_t>(r)].lines;
        const std::string text = BroadcastText(comm, faulty, range.error);
        const auto status = static_cast<Status>(at.status);
        if (rank == 0) {
            source.SetInputError(status == Status::BadLine
                                     ? MessageAtLine(text, path, at.lines, linesBefore + at.lines)
                                     : text);
        }
        return Leave(rank, status);
    }

    // Every rank knows every range's rows: whether the rows were numbered right, and whether
    // each rank's pairs cover the part of a block its successor must learn again.
    const bool fromNewDeck = counts.FromNewDeck();
    std::uint64_t rowsBefore = 0;
    std::uint64_t pairs = 0;
    bool numbered = true;
    bool tailsFit = true;
    int lastFull = -1;  // the last rank with rows so far
    std::vector<std::uint64_t> pairsBefore(all.size());
    std::vector<int> previousFull(all.size(), -1);
    for (std::size_t r = 0; r < all.size(); ++r) {
        const std::uint64_t rows = all[r].rows;
        pairsBefore[r] = pairs;
        previousFull[r] = lastFull;
        if (rows == 0) continue;
        numbered = numbered && all[r].guessedFirstRow == counts.FirstRowIndex() + rowsBefore;
        const std::uint64_t tail = pairs % GuessBlockPairs;
        const std::uint64_t mine = fromNewDeck || lastFull >= 0 ? rows : rows - 1;
        if (tail > 0) {
            const std::size_t from = static_cast<std::size_t>(lastFull);
            const std::uint64_t theirs = pairs - pairsBefore[from];
            tailsFit = tailsFit && theirs >= tail;
        }
        rowsBefore += rows;
        pairs += mine;
        lastFull = static_cast<int>(r);
    }
    if (!numbered || !tailsFit) {
        digest.reset();
        return CountOnRankZero(comm, rank, source, counts);
    }

    // The pair across each cut, and the guessing game passed on from rank to rank.
    const std::vector<std::uint8_t> lastRows = GatherLastRows(comm, range);
    const int before = previousFull[me];
    const std::uint8_t* previous =
        before >= 0 ? &lastRows[static_cast<std::size_t>(before) * DeckSize] : nullptr;
    ShuffleCounts mine = previous ? WithPairBefore(range.counts, previous) : range.counts;
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
    const RangeRead read{file.get(), path, start, length, fromNewDeck, DefaultThreadCount(), keep};
    std::string unread;
    if (GuessRange(comm, read, range, links, mine, unread) && Changed(fileno(file.get()), opened))
        unread = path + ": changed while it was read";
    if (rank == 0 && unread.empty() && digest) {
        int error = 0;
        const std::optional<std::string> hex = digest->Result(error);
        if (hex) {
            source.SetInputSha256Hex(*hex);
        } else {
            unread = path + ": " + std::strerror(error);
        }
    }
    const std::vector<std::uint64_t> failures = GatherValues(comm, unread.empty() ? 0 : 1);
    if (const int first = FirstRank(ranks, [&](std::size_t r) { return failures[r] != 0; });
        first >= 0) {
        const std::string text = BroadcastText(comm, first, unread);
        if (rank == 0) source.SetInputError(text);
        return Leave(rank, Status::ReadFailed);
    }
    StreamEnds ends;
    ends.Note(static_cast<std::uint64_t>(rank), mine);
    QuietBarrier(comm);
    counts = SumOnRankZero(comm, mine, ends);
    if (rank != 0) throw RankDone{cli::ExitOk};
    return Status::End;
}

}  // namespace brevane::mpi
