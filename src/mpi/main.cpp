// brevane-mpi: report, test and map with their rows counted by every rank of an MPI job, and
// printed by rank 0 exactly as brevane-cli prints them. The options are brevane-cli's own.

#include <mpi.h>

#include <clocale>
#include <csignal>
#include <cstdio>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/SourceCounts.h"
#include "mpi/RankCounts.h"
#include "os/SignalCleanup.h"

namespace {

constexpr const char* UsageText =
    "Usage: mpirun -np R brevane-mpi report|test|map [OPTIONS]\n"
    "\n"
    "Runs a command of brevane-cli over the ranks of an MPI job, with its options (see\n"
    "brevane-cli COMMAND --help), and prints on rank 0 what brevane-cli prints.\n"
    "  --shuffles N --streams S   rank r makes streams r, r + R, ...; the counts are summed\n"
    "  --input FILE               each rank counts a byte range of the file, cut at line\n"
    "                             starts; the counts are summed\n";

// The standard error of this rank as it was before SilenceRank, or -1.
int originalStderr = -1;

// Standard output of the ranks but 0 goes nowhere, and their standard error to a temporary file:
// rank 0 alone speaks for the job, unless a rank fails where rank 0 did not (ShowSilencedErrors).
void SilenceRank() {
    const int null = open("/dev/null", O_WRONLY);
    if (null < 0) return;
    dup2(null, STDOUT_FILENO);
    close(null);
    std::FILE* errors = std::tmpfile();
    if (!errors) return;
    originalStderr = dup(STDERR_FILENO);
    dup2(fileno(errors), STDERR_FILENO);
}

// Copies what this rank wrote to its silenced standard error to the original one.
void ShowSilencedErrors() {
    if (originalStderr < 0) return;
    std::fflush(stderr);
    if (lseek(STDERR_FILENO, 0, SEEK_SET) != 0) return;
    char buffer[4096];
    ssize_t got = 0;
    while ((got = read(STDERR_FILENO, buffer, sizeof buffer)) > 0)
        if (write(originalStderr, buffer, static_cast<std::size_t>(got)) != got) return;
}

// Every rank passes here once: on entering the counting of rows (`counting`), or after its
// command ended without counting (a usage error, a file it could not open, help). So no rank
// waits in the counting's collectives for one that will never come. Gives whether every rank
// reached the counting, and whether any did.
struct Arrival {
    bool all;
    bool any;
};
Arrival Arrive(bool counting) {
    int flags[2] = {counting ? 1 : 0, counting ? -1 : 0};
    MPI_Allreduce(MPI_IN_PLACE, flags, 2, MPI_INT, MPI_MIN, MPI_COMM_WORLD);
    return {flags[0] == 1, flags[1] == -1};
}

int RunCommand(std::string_view command, brevane::cli::Args rest) {
    using namespace brevane::cli;
    if (command == "report") return RunReportCommand(rest);
    if (command == "test") return RunTestCommand(rest);
    if (command == "map") return RunMapCommand(rest);
    if (command == "--help" || command == "-h" || command == "help") return WriteHelp(UsageText);
    PrintError("unknown command " + Quoted(command) + " (report, test or map)");
    return ExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace brevane;
    MPI_Init(&argc, &argv);
    int rank = 0;
    MPI_Comm_rank(MPI_COMM_WORLD, &rank);
    std::setlocale(LC_ALL, "");
    std::signal(SIGPIPE, SIG_IGN);
    RemoveTemporaryFilesOnSignals();
    if (rank != 0) SilenceRank();
    bool arrived = false;
    cli::SetSourceCounter([&](cli::RowSource& source, ShuffleCounts& counts) {
        arrived = true;
        if (!Arrive(true).all) {
            // A rank failed before it could count (its message is shown): the job fails.
            if (rank != 0) throw mpi::RankDone{cli::ExitFailure};
            source.SetInputError("another rank of the job could not open its input");
            return cli::RowSource::Status::ReadFailed;
        }
        return mpi::CountOnRanks(MPI_COMM_WORLD, source, counts);
    });
    std::vector<std::string_view> args(argv + 1, argv + argc);
    int status = cli::ExitUsage;
    try {
        if (args.empty()) {
            std::fputs(UsageText, stderr);
        } else {
            status = RunCommand(args.front(), cli::Args(args.data() + 1, args.size() - 1));
        }
    } catch (const mpi::RankDone& done) {
        status = done.status;
    } catch (const std::exception& e) {
        cli::PrintError(e.what());
        // A rank that cannot go on must not leave the others waiting in a collective.
        MPI_Abort(MPI_COMM_WORLD, cli::ExitFailure);
    }
    if (!arrived && Arrive(false).any && rank != 0) ShowSilencedErrors();
    MPI_Finalize();
    return status;
}
