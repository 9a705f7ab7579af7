// Independent streams and MPI against one stream, each a ratio to a baseline measured in the
// same run: `test --shuffles N --streams 2` against one stream (the generator on one thread,
// the counting on another); --streams 2 on two threads against one; `mpirun -np 2 brevane-mpi`
// against brevane-cli on the same work. The ranks share this machine, so they are started with
// Open MPI's shared-memory transport (`--mca pml ob1`, about 0.2 s rather than 0.4 s to start),
// and the generated MPI runs count 20 million shuffles (about 5 s), which makes that start-up a
// few per cent. For the same reason the MPI input runs read a file of 20 million rows (3.1 GB,
// about 4 s on two cores): on one of five million, the start-up is a quarter of brevane-cli's
// whole run. Their ranks run two threads each, so they are not bound to a core each.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/CliProcess.h"

namespace {

using namespace brevane::bench;

constexpr std::uint64_t Shuffles = 10'000'000;
constexpr std::uint64_t MpiShuffles = 20'000'000;
constexpr std::uint64_t MpiInputRows = 20'000'000;
const std::string Key(64, '7');

std::vector<std::string> Test(std::uint64_t shuffles, std::vector<std::string> more) {
    std::vector<std::string> args = {"test",  "--shuffles", std::to_string(shuffles),
                                     "--key", Key,          "--quiet"};
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

// `mpirun -np 2 brevane-mpi ARGS`; with `unbound`, the ranks are not bound to a core each, as
// Open MPI binds them by default, so that ranks of several threads can use every core.
double MpiSeconds(const std::vector<std::string>& args, bool unbound = false) {
    std::vector<std::string> command = {"--oversubscribe", "--allow-run-as-root", "--mca", "pml",
                                        "ob1"};
    if (unbound) command.insert(command.end(), {"--bind-to", "none"});
    command.insert(command.end(), {"-np", "2", BuiltProgram("brevane-mpi")});
    command.insert(command.end(), args.begin(), args.end());
    return ProgramSeconds("mpirun", command);
}

void BM_TestTwoStreamsVsOneStream(benchmark::State& state) {
    CompareRuns(
        state, [] { return CliSeconds(Test(Shuffles, {})); },
        [] {
            return CliSeconds(Test(Shuffles, {"--streams", "2"}));
        },
        "target speed_ratio >= 1.15 on two cores");
}

void BM_TestTwoStreamsTwoThreadsVsOne(benchmark::State& state) {
    CompareRuns(
        state,
        [] {
            return CliSeconds(Test(Shuffles, {"--streams", "2", "--threads", "1"}));
        },
        [] {
            return CliSeconds(Test(Shuffles, {"--streams", "2", "--threads", "2"}));
        },
        "target speed_ratio >= 1.8 on two cores");
}

void BM_MpiTwoRanksVsCliTwoStreams(benchmark::State& state) {
    CompareRuns(
        state,
        [] {
            return CliSeconds(Test(MpiShuffles, {"--streams", "2"}));
        },
        [] {
            return MpiSeconds(Test(MpiShuffles, {"--streams", "2", "--threads", "1"}));
        },
        "target speed_ratio >= 0.9");
}

const std::string& InputFile() {
    return RowsFile(Key, MpiInputRows);
}

void BM_MpiTwoRanksInputVsCliTwoThreads(benchmark::State& state) {
    CompareRuns(
        state,
        [] {
            return CliSeconds({"test", "--input", InputFile(), "--quiet", "--threads", "2"});
        },
        [] {
            return MpiSeconds({"test", "--input", InputFile(), "--quiet", "--threads", "2"}, true);
        },
        "target speed_ratio >= 0.9");
}

}  // namespace

BENCHMARK(BM_TestTwoStreamsVsOneStream)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(BM_TestTwoStreamsTwoThreadsVsOne)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(BM_MpiTwoRanksVsCliTwoStreams)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);
BENCHMARK(BM_MpiTwoRanksInputVsCliTwoThreads)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

BENCHMARK_MAIN();
