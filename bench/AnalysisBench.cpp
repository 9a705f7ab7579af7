// The shuffle analysis over 10 million stored rows, each figure beside a baseline measured in
// the same run: the suit and rank reports against one pass over every stored byte, the hand
// category report against the bare evaluator on the same hands, a search without a match
// against the category report, reading an export file against reading its bytes, and the
// fairness tests against the category report, in the core and as commands.
// Last, the peak memory of `report`, `hands` and `test` over generated rows of growing count.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "analysis/Export.h"
#include "analysis/HandFinder.h"
#include "analysis/Reports.h"
#include "analysis/RowParser.h"
#include "analysis/Seats.h"
#include "cards/Cards.h"
#include "hand/PokerHand.h"
#include "stats/FairnessReport.h"
#include "support/CliProcess.h"
#include "work/ParallelRows.h"

extern char** environ;

namespace {

using namespace brevane;
using namespace brevane::bench;

constexpr std::size_t Rows = 10'000'000;
constexpr std::size_t ExportRows = 1'000'000;

// CPU time of the whole process: the builders count on every core, and this counts them all.
double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

double WallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

const ShuffleList& StoredRows() {
    static const ShuffleList list = [] {
        ShuffleGenerator generator;
        generator.SetKey(GeneratorKey{7, 1, 2, 3});
        ShuffleList rows;
        Deck deck = InitialDeck();
        rows.AppendShuffles(deck, generator, Rows);
        return rows;
    }();
    return list;
}

// The baseline pass: every stored byte read once, eight at a time, one block of rows after
// the other (a row's 52 bytes are 6.5 words, so words are summed over whole blocks).
std::uint64_t SumOfEveryByte(const ShuffleList& list) {
    std::uint64_t sum = 0;
    for (std::size_t start = 0; start < list.Count(); start += ShuffleList::RowsPerBlock) {
        const std::size_t rows = std::min(ShuffleList::RowsPerBlock, list.Count() - start);
        const std::uint8_t* bytes = list.Row(start);
        const std::size_t size = rows * DeckSize;
        std::size_t i = 0;
        for (; i + 8 <= size; i += 8) {
            std::uint64_t word;
            std::memcpy(&word, bytes + i, sizeof word);
            sum += word;
        }
        for (; i < size; ++i) sum += bytes[i];
    }
    return sum;
}

// Runs baseline and subject once per iteration, timing each on this thread's CPU clock.
// speed_ratio is the subject's speed as a share of the baseline's.
template <typename Baseline, typename Subject>
void Compare(benchmark::State& state, Baseline baseline, Subject subject) {
    double baseSeconds = 0, subjectSeconds = 0;
    for (auto _ : state) {
        const double t0 = CpuSeconds();
        benchmark::DoNotOptimize(baseline());
        const double t1 = CpuSeconds();
        benchmark::DoNotOptimize(subject());
        const double t2 = CpuSeconds();
        baseSeconds += t1 - t0;
        subjectSeconds += t2 - t1;
        state.SetIterationTime(t2 - t1);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["baseline_ms"] = 1e3 * baseSeconds / n;
    state.counters["subject_ms"] = 1e3 * subjectSeconds / n;
    state.counters["speed_ratio"] = baseSeconds / subjectSeconds;
}

void BM_SuitReportVsBytePass(benchmark::State& state) {
    const ShuffleList& list = StoredRows();
    Compare(
        state, [&] { return SumOfEveryByte(list); },
        [&] { return BuildSuitReport(list, 2, "Heart", ".").size(); });
    state.SetLabel("target speed_ratio >= 0.50");
}

void BM_RankReportVsBytePass(benchmark::State& state) {
    const ShuffleList& list = StoredRows();
    Compare(
        state, [&] { return SumOfEveryByte(list); },
        [&] { return BuildRankReport(list, 11, "K", ".").size(); });
    state.SetLabel("target speed_ratio >= 0.50");
}

// The seven cards of seat D at ten players, River, for every row, taken out beforehand.
const std::vector<std::uint8_t>& RiverHands() {
    static const std::vector<std::uint8_t> hands = [] {
        const ShuffleList& list = StoredRows();
        std::vector<std::uint8_t> cards(list.Count() * 7);
        for (std::size_t r = 0; r < list.Count(); ++r) {
            const SevenCards c = SeatCardsFromRow(list.Row(r), SeatView{}, 10);
            for (int i = 0; i < 7; ++i) cards[r * 7 + i] = static_cast<std::uint8_t>(c[i]);
        }
        return cards;
    }();
    return hands;
}

std::uint64_t BareEvaluator() {
    const std::vector<std::uint8_t>& hands = RiverHands();
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < hands.size(); i += 7) {
        const std::uint8_t* h = &hands[i];
        sum += static_cast<std::uint64_t>(EvaluateHand(h[0], h[1], h[2], h[3], h[4], h[5], h[6]));
    }
    return sum;
}

void BM_HandCategoryReportVsBareEvaluator(benchmark::State& state) {
    const ShuffleList& list = StoredRows();
    RiverHands();
    Compare(state, BareEvaluator,
            [&] { return BuildHandCategoryReport(list, SeatView{}, ".").size(); });
    state.SetLabel("target speed_ratio >= 0.70");
}

void BM_FindWithoutMatchVsHandCategoryReport(benchmark::State& state) {
    const ShuffleList& list = StoredRows();
    const std::int32_t noClass = HandClassCount;  // matches no value, so every row is visited
    Compare(
        state, [&] { return BuildHandCategoryReport(list, SeatView{}, ".").size(); },
        [&] { return FindNextHandRow(list, 0, noClass, SeatView{}).has_value(); });
    state.SetLabel("target speed_ratio about 1");
}

// An export file of the first million stored rows, written once.
const std::string& ExportFile() {
    static const std::string path = [] {
        std::string folder =
            (std::filesystem::temp_directory_path() / "brevane-bench-XXXXXX").string();
        if (!mkdtemp(folder.data())) throw std::runtime_error("mkdtemp failed");
        const std::string file = folder + "/rows.txt";
        std::FILE* out = std::fopen(file.c_str(), "wb");
        if (!out) throw std::runtime_error("cannot write " + file);
        char line[ExportLineBytes];
        for (std::size_t r = 0; r < ExportRows; ++r) {
            FormatExportLine(StoredRows().Row(r), line);
            std::fwrite(line, 1, sizeof line, out);
        }
        if (std::fclose(out) != 0) throw std::runtime_error("cannot write " + file);
        std::atexit([] { std::filesystem::remove_all(std::filesystem::path(path).parent_path()); });
        return file;
    }();
    return path;
}

std::uint64_t ReadBytes(const std::string& path) {
    std::FILE* in = std::fopen(path.c_str(), "rb");
    std::vector<char> buffer(ExportReader::BufferBytes);
    std::uint64_t total = 0;
    std::size_t got;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), in)) > 0) total += got + buffer[0];
    std::fclose(in);
    return total;
}

std::uint64_t ParseRows(const std::string& path) {
    std::FILE* in = std::fopen(path.c_str(), "rb");
    ExportReader reader(in, path);
    std::uint8_t row[DeckSize];
    std::uint64_t rows = 0;
    while (reader.Next(row) == ExportReader::Status::Row) rows += row[0] != 0;
    std::fclose(in);
    if (rows != ExportRows) throw std::runtime_error("export file misread");
    return rows;
}

void BM_ParseExportVsReadBytes(benchmark::State& state) {
    const std::string& path = ExportFile();
    Compare(
        state, [&] { return ReadBytes(path); }, [&] { return ParseRows(path); });
    state.SetLabel("target speed_ratio >= 0.30");
}

// Peak resident memory of one brevane-cli run over generated rows: the child's VmHWM, read
// every few milliseconds until it exits. (The rusage of a child spawned from this large
// process would carry this process's own peak.)
double PeakMegabytes(const std::vector<std::string>& args) {
    const pid_t pid = SpawnCli(args);
    const std::string status = "/proc/" + std::to_string(pid) + "/status";
    long peakKb = 0;
    int exitStatus = 0;
    while (waitpid(pid, &exitStatus, WNOHANG) == 0) {
        if (std::FILE* in = std::fopen(status.c_str(), "r")) {
            char line[256];
            while (std::fgets(line, sizeof line, in)) {
                long kb = 0;
                if (std::sscanf(line, "VmHWM: %ld kB", &kb) == 1) peakKb = std::max(peakKb, kb);
            }
            std::fclose(in);
        }
        usleep(5000);
    }
    ExpectExit(pid, exitStatus, {0, 3});  // 3: a verdict of fail from `test`
    return static_cast<double>(peakKb) / 1024.0;
}

void BM_CliPeakMemory(benchmark::State& state) {
    const std::string count = std::to_string(state.range(0));
    const std::string key(64, '5');
    for (auto _ : state) {
        state.counters["report_MB"] =
            PeakMegabytes({"report", "categories", "--shuffles", count, "--key", key});
        state.counters["hands_MB"] = PeakMegabytes({"hands", "--shuffles", count, "--key", key});
        state.counters["test_MB"] = PeakMegabytes({"test", "--shuffles", count, "--key", key});
    }
    state.SetLabel("target < 50 MB, flat in the row count");
}

// The fairness tests' counting (every table, histogram and the hand categories in one pass)
// and the tests over 10 million stored rows, against the hand category report alone.
void BM_FairnessTestsVsHandCategoryReport(benchmark::State& state) {
    const ShuffleList& list = StoredRows();
    Compare(
        state, [&] { return BuildHandCategoryReport(list, SeatView{}, ".").size(); },
        [&] {
            return RunFairnessTests(CountShuffleList(list, SeatView{})).verdict == Verdict::Pass;
        });
    state.SetLabel("counting alone; for the command see BM_CliTestVsReportCategories");
}

// `test` against `report categories` over the same 10 million generated rows.
void BM_CliTestVsReportCategories(benchmark::State& state) {
    const std::string key(64, '7');
    const std::string rows = std::to_string(Rows);
    CompareRuns(
        state,
        [&] {
            return CliSeconds({"report", "categories", "--shuffles", rows, "--key", key});
        },
        [&] {
            return CliSeconds({"test", "--shuffles", rows, "--key", key});
        },
        "target speed_ratio >= 0.67 (test at most 1.5x the time)");
}

}  // namespace

BENCHMARK(BM_SuitReportVsBytePass)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_RankReportVsBytePass)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_HandCategoryReportVsBareEvaluator)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(8);
BENCHMARK(BM_FindWithoutMatchVsHandCategoryReport)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(BM_ParseExportVsReadBytes)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_FairnessTestsVsHandCategoryReport)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(BM_CliTestVsReportCategories)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);
BENCHMARK(BM_CliPeakMemory)
    ->Arg(100'000)
    ->Arg(1'000'000)
    ->Arg(5'000'000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// What the window's Stats, Fairness and Bias Map buttons count, on two threads against one, by
// wall-clock time: the speed-up of using both cores.
template <typename Count>
void CompareThreads(benchmark::State& state, Count count) {
    double oneSeconds = 0, twoSeconds = 0;
    for (auto _ : state) {
        SetDefaultThreadCount(1);
        const double t0 = WallSeconds();
        benchmark::DoNotOptimize(count());
        SetDefaultThreadCount(2);
        const double t1 = WallSeconds();
        benchmark::DoNotOptimize(count());
        const double t2 = WallSeconds();
        oneSeconds += t1 - t0;
        twoSeconds += t2 - t1;
        state.SetIterationTime(t2 - t1);
    }
    SetDefaultThreadCount(0);
    const double n = static_cast<double>(state.iterations());
    state.counters["one_thread_ms"] = 1e3 * oneSeconds / n;
    state.counters["two_threads_ms"] = 1e3 * twoSeconds / n;
    state.counters["speed_ratio"] = oneSeconds / twoSeconds;
    state.SetLabel("target speed_ratio >= 1.7 (wall clock, 2 cores)");
}

void BM_HandCategoryReportTwoThreadsVsOne(benchmark::State& state) {
    const ShuffleList& list = StoredRows();
    CompareThreads(state, [&] { return BuildHandCategoryReport(list, SeatView{}, ".").size(); });
}

void BM_FairnessCountsTwoThreadsVsOne(benchmark::State& state) {
    const ShuffleList& list = StoredRows();
    CompareThreads(state, [&] { return CountShuffleList(list, SeatView{}).Rows(); });
}

BENCHMARK(BM_HandCategoryReportTwoThreadsVsOne)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK(BM_FairnessCountsTwoThreadsVsOne)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

BENCHMARK_MAIN();
