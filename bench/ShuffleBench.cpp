// Shuffling into the list against the faster bare RC4 loop (byte or word cells) that produces the
// same number of keystream bytes (102 per shuffle), each shuffle model's append against
// fisher-yates's, and the memory the list takes per stored row.
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <array>
#include <cstdint>
#include <ctime>
#include <fstream>

#include "analysis/ShuffleList.h"
#include "cards/Cards.h"
#include "models/ShuffleRows.h"
#include "support/BareRc4.h"

namespace {

using namespace brevane;
using brevane::bench::FastestBareRc4Seconds;

constexpr std::size_t ShufflesPerRound = 1 << 16;
constexpr std::size_t BytesPerShuffle = 102;

GeneratorKey BenchKey() {
    GeneratorKey key;
    for (std::size_t k = 0; k < key.size(); ++k) key[k] = static_cast<std::uint8_t>(k * 7 + 1);
    return key;
}

// CPU time of this thread, system time included: steadier than wall time on a busy machine.
double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

void BM_AppendShufflesVsBareRc4(benchmark::State& state) {
    ShuffleGenerator generator;
    generator.SetKey(BenchKey());
    Deck deck = InitialDeck();
    ShuffleList list;
    double rc4Seconds = 0, appendSeconds = 0;
    for (auto _ : state) {
        const double rc4Round =
            FastestBareRc4Seconds(BenchKey(), ShufflesPerRound * BytesPerShuffle, CpuSeconds);
        const auto t1 = CpuSeconds();
        list.AppendShuffles(deck, generator, ShufflesPerRound);
        const auto t2 = CpuSeconds();
        benchmark::DoNotOptimize(list.Row(list.Count() - 1)[0]);
        list.Clear();
        rc4Seconds += rc4Round;
        appendSeconds += (t2 - t1);
        state.SetIterationTime((t2 - t1));
    }
    const double shuffles = static_cast<double>(state.iterations() * ShufflesPerRound);
    state.counters["append_ns_per_shuffle"] = 1e9 * appendSeconds / shuffles;
    state.counters["rc4_ns_per_102_bytes"] = 1e9 * rc4Seconds / shuffles;
    state.counters["speed_ratio"] = rc4Seconds / appendSeconds;  // target >= 0.80
    state.SetItemsProcessed(static_cast<std::int64_t>(shuffles));
}
BENCHMARK(BM_AppendShufflesVsBareRc4)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);

// One model's append against ShuffleList::AppendShuffles over the same number of rows. For
// fisher-yates the model path must cost the same as the list's own (ratio 1); for the others
// the ratio is how many times longer a shuffle takes.
void BM_ModelAppendVsFisherYates(benchmark::State& state) {
    const ShuffleModel model = MethodModels[static_cast<std::size_t>(state.range(0))];
    constexpr std::size_t Rows = 4096;
    ShuffleGenerator baseGenerator, modelGenerator;
    baseGenerator.SetKey(BenchKey());
    modelGenerator.SetKey(BenchKey());
    Deck baseDeck = InitialDeck(), modelDeck = InitialDeck();
    ShuffleList baseList, modelList;
    double baseSeconds = 0, modelSeconds = 0;
    for (auto _ : state) {
        const auto t0 = CpuSeconds();
        baseList.AppendShuffles(baseDeck, baseGenerator, Rows);
        const auto t1 = CpuSeconds();
        AppendModelShuffles(modelList, modelDeck, modelGenerator, model, Rows);
        const auto t2 = CpuSeconds();
        benchmark::DoNotOptimize(modelList.Row(modelList.Count() - 1)[0]);
        baseList.Clear();
        modelList.Clear();
        baseSeconds += t1 - t0;
        modelSeconds += t2 - t1;
        state.SetIterationTime(t2 - t1);
    }
    const double shuffles = static_cast<double>(state.iterations() * Rows);
    state.SetLabel(ShuffleModelName(model));
    state.counters["model_ns_per_shuffle"] = 1e9 * modelSeconds / shuffles;
    state.counters["fisher_yates_ns_per_shuffle"] = 1e9 * baseSeconds / shuffles;
    state.counters["time_ratio"] = modelSeconds / baseSeconds;
}
BENCHMARK(BM_ModelAppendVsFisherYates)
    ->DenseRange(0, static_cast<int>(MethodModels.size()) - 1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.5);

std::size_t ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    std::size_t pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}

void BM_MemoryPerStoredRow(benchmark::State& state) {
    const auto rows = static_cast<std::size_t>(state.range(0));
    for (auto _ : state) {
        ShuffleGenerator generator;
        generator.SetKey(BenchKey());
        Deck deck = InitialDeck();
        ShuffleList list;
        const std::size_t before = ResidentBytes();
        list.AppendShuffles(deck, generator, rows);
        const std::size_t after = ResidentBytes();
        state.counters["list_bytes_per_row"] =
            static_cast<double>(list.BytesAllocated()) / static_cast<double>(rows);
        state.counters["resident_bytes_per_row"] =
            static_cast<double>(after - before) / static_cast<double>(rows);
        state.counters["card_bytes_per_row"] = static_cast<double>(DeckSize);
        state.counters["target_max"] = 64;
    }
}
BENCHMARK(BM_MemoryPerStoredRow)->Arg(10'000'000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
