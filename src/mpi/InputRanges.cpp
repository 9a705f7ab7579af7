#include "mpi/InputRanges.h"

#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "cli/SourceCounts.h"
#include "mpi/InputRounds.h"
#include "mpi/RangeExchange.h"
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

// The rows a rank keeps the origins of at once, at most and at least (KeptRows). Past about a
// million, writing fresh memory costs more than the pauses between rounds save (measured on two
// cores: a 20-million-row file counted in rounds of 2^18, 2^20, 2^22 and 2^25 rows a rank took
// 4.9, 4.5, 4.7 and 6.2 s); below two blocks a range may not hold the pairs its successor must
// learn again.
constexpr std::uint64_t MaxKeptRows = std::uint64_t{1} << 20;
constexpr std::uint64_t MinKeptRows = 2 * GuessBlockPairs;

// The largest threshold glibc's malloc takes for serving a request with a mapping of its own.
constexpr int MallocMmapMost = 32 << 20;

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

// The rows whose origins a rank keeps at once, the same on every rank: as many as the memory of
// the tightest rank allows, MaxKeptRows at most; 0 when that is too few to pass a block's pairs
// on, and the ranges are read a second time instead. A file with more rows is counted in rounds.
// Every rank must call it.
std::uint64_t KeptRows(MPI_Comm comm) {
    std::uint64_t rows = std::min(RankOriginMemory(comm) / DeckSize, MaxKeptRows);
    if (rows < MinKeptRows) rows = 0;
    MPI_Allreduce(MPI_IN_PLACE, &rows, 1, MPI_UINT64_T, MPI_MIN, comm);
    return rows;
}

// Keeps what is freed for the process to use again, rather than giving it back to the system:
// every round makes and frees the same buffers of several megabytes for its counting and
// guessing, and fresh pages for them each time cost more than the work they serve.
void KeepFreedMemory() {
    mallopt(M_MMAP_THRESHOLD, MallocMmapMost);
    mallopt(M_TRIM_THRESHOLD, std::numeric_limits<int>::max());
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
    // One rank counts the file as brevane-cli does, its counting and guessing side by side.
    if (plan.size == 0 || ranks == 1) return CountOnRankZero(comm, rank, source, counts);

    // Every rank opens the file; the rounds find where its ranges start.
    RoundRun run;
    run.comm = comm;
    run.rank = rank;
    run.ranks = ranks;
    run.path = source.InputPath();
    run.lineBytes = plan.lineBytes;
    run.threads = DefaultThreadCount();
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(run.path.c_str(), "rb"));
    run.file = file.get();
    if (!file) run.openFailure = run.path + ": " + std::strerror(errno);
    struct stat opened {};
    if (file && fstat(fileno(file.get()), &opened) != 0)
        run.openFailure = run.path + ": " + std::strerror(errno);
    const std::uint64_t keptRows = KeptRows(comm);
    run.keep = keptRows > 0;
    if (run.keep) KeepFreedMemory();
    ranges::OriginPool pool;
    run.pool = &pool;
    std::optional<DigestThread> digest;
    if (rank == 0 && plan.digest && file) digest.emplace(fileno(file.get()));
    run.cuts =
        PlanRounds(plan.size, ranks, RankZeroShare(ranks, plan.digest != 0, run.keep), keptRows);

    RoundCarry carry;
    std::optional<ShuffleCounts> mine;
    StreamEnds ends;
    std::string unread;
    for (std::uint64_t round = 0; round < run.cuts.rounds; ++round) {
        RoundEnd ended = CountRound(run, round, counts, source, carry);
        if (ended.kind == RoundEnd::Kind::Leave) return Leave(rank, ended.status);
        if (ended.kind == RoundEnd::Kind::Alone) {
            digest.reset();
            return CountOnRankZero(comm, rank, source, counts);
        }
        if (unread.empty()) unread = std::move(ended.unread);
        // Each range is a list of its own to StreamEnds, numbered in file order.
        ends.Note(round * static_cast<std::uint64_t>(ranks) + static_cast<std::uint64_t>(rank),
                  *ended.mine);
        if (mine) {
            mine->Add(*ended.mine, false);
        } else {
            mine = std::move(ended.mine);
        }
    }
    if (unread.empty() && Changed(fileno(file.get()), opened))
        unread = run.path + ": changed while it was read";
    if (rank == 0 && unread.empty() && digest) {
        int error = 0;
        const std::optional<std::string> hex = digest->Result(error);
        if (hex) {
            source.SetInputSha256Hex(*hex);
        } else {
            unread = run.path + ": " + std::strerror(error);
        }
    }
    const std::vector<std::uint64_t> failures = GatherValues(comm, unread.empty() ? 0 : 1);
    if (const int first = FirstRank(ranks, [&](std::size_t r) { return failures[r] != 0; });
        first >= 0) {
        const std::string text = BroadcastText(comm, first, unread);
        if (rank == 0) source.SetInputError(text);
        return Leave(rank, Status::ReadFailed);
    }
    QuietBarrier(comm);
    counts = SumOnRankZero(comm, *mine, ends);
    if (rank != 0) throw RankDone{cli::ExitOk};
    return Status::End;
}

}  // namespace brevane::mpi
