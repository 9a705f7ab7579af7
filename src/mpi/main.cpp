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

// Standard output and error of the ranks but 0 go nowhere: rank 0 alone speaks for the job.
void SilenceRank() {
    const int null = open("/dev/null", O_WRONLY);
    if (null < 0) return;
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    close(null);
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
    cli::SetSourceCounter([](cli::RowSource& source, ShuffleCounts& counts) {
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
    MPI_Finalize();
    return status;
}
