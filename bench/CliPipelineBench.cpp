// The command line's generated rows against their physical limits, each figure a ratio to a
// baseline measured in the same run: `shuffle N > /dev/null` against the faster bare RC4 loop
// (byte or word cells) that produces the same keystream bytes, and `report categories` and `test`
// over --shuffles N, whose counting runs beside the row maker, against `shuffle N > /dev/null`; and
// `report`, `test` and `map` over an export file on two threads against the same on one.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "support/BareRc4.h"
#include "support/CliProcess.h"

namespace {

using namespace brevane;
using namespace brevane::bench;

constexpr std::uint64_t Shuffles = 10'000'000;
// Each fisher-yates shuffle of a 52-card deck draws 102 keystream bytes.
constexpr std::uint64_t BytesPerShuffle = 102;
const std::string Key(64, '9');

std::vector<std::string> ShuffleCommand() {
    return {"shuffle", std::to_string(Shuffles), "--key", Key, "--quiet"};
}

double BareRc4Seconds(std::uint64_t bytes) {
    GeneratorKey key{};
    for (std::size_t k = 0; k < key.size(); ++k) key[k] = static_cast<std::uint8_t>(k * 5 + 3);
    return FastestBareRc4Seconds(key, bytes, [] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    });
}

void BM_CliShuffleVsBareRc4(benchmark::State& state) {
    CompareRuns(
        state, [] { return BareRc4Seconds(Shuffles * BytesPerShuffle); },
        [] { return CliSeconds(ShuffleCommand()); }, "target speed_ratio >= 0.9");
}

void BM_CliReportCategoriesVsShuffle(benchmark::State& state) {
    CompareRuns(
        state, [] { return CliSeconds(ShuffleCommand()); },
        [] {
            return CliSeconds({"report", "categories", "--shuffles", std::to_string(Shuffles),
                               "--key", Key, "--quiet"});
        },
        "target speed_ratio >= 0.9");
}

void BM_CliTestVsShuffle(benchmark::State& state) {
    CompareRuns(
        state, [] { return CliSeconds(ShuffleCommand()); },
        [] {
            return CliSeconds(
                {"test", "--shuffles", std::to_string(Shuffles), "--key", Key, "--quiet"});
        },
        "target speed_ratio >= 0.8");
}

const std::string& InputFile() {
    return FiveMillionRowsFile(Key);
}

void CompareThreads(benchmark::State& state, std::vector<std::string> args) {
    args.insert(args.end(), {"--input", InputFile(), "--quiet", "--threads"});
    std::vector<std::string> one = args, two = args;
    one.push_back("1");
    two.push_back("2");
    CompareRuns(
        state, [&] { return CliSeconds(one); }, [&] { return CliSeconds(two); },
        "target speed_ratio >= 1.7 on two cores");
}

void BM_CliInputReportSuitTwoThreadsVsOne(benchmark::State& state) {
    CompareThreads(state, {"report", "suit", "Club"});
}

void BM_CliInputReportCategoriesTwoThreadsVsOne(benchmark::State& state) {
    CompareThreads(state, {"report", "categories"});
}

// The text result names the file's SHA-256, so the digest, taken beside the counting on two
// threads and while reading on one, is in both runs.
void BM_CliInputTestTwoThreadsVsOne(benchmark::State& state) {
    CompareThreads(state, {"test"});
}

void BM_CliInputMapTwoThreadsVsOne(benchmark::State& state) {
    CompareThreads(state, {"map", "--format", "csv"});
}

}  // namespace

BENCHMARK(BM_CliShuffleVsBareRc4)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CliReportCategoriesVsShuffle)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(BM_CliTestVsShuffle)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK(BM_CliInputReportSuitTwoThreadsVsOne)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK(BM_CliInputReportCategoriesTwoThreadsVsOne)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK(BM_CliInputTestTwoThreadsVsOne)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK(BM_CliInputMapTwoThreadsVsOne)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

BENCHMARK_MAIN();
