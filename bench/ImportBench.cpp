// Opening an export file into the list (read, checked, staged and committed) against reading
// and checking the same file with the line reader alone, storing nothing.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "analysis/Export.h"
#include "analysis/ImportRows.h"
#include "analysis/RowParser.h"

namespace {

using namespace brevane;

constexpr std::size_t Rows = 1'000'000;

// CPU time of this thread, system time included: steadier than wall time on a busy machine.
double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

std::size_t ReadOnly(const std::string& path) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                         &std::fclose);
    if (!file) throw std::runtime_error("cannot open " + path);
    ExportReader reader(file.get(), path);
    std::uint8_t row[DeckSize];
    std::size_t rows = 0;
    while (reader.Next(row) == ExportReader::Status::Row) ++rows;
    return rows;
}

std::size_t Import(const std::string& path) {
    ShuffleList list;
    ExportFileImport import(path, path);
    ShuffleList::Staging staged(list);
    WorkProgress progress;
    if (import.StageRows(staged, SIZE_MAX, &progress) != ExportFileImport::Status::Read)
        throw std::runtime_error(import.Error());
    staged.Commit();
    return list.Count();
}

void BM_ImportVsReadOnly(benchmark::State& state) {
    std::string folder = (std::filesystem::temp_directory_path() / "brevane-bench-XXXXXX").string();
    if (!mkdtemp(folder.data())) throw std::runtime_error("mkdtemp failed");
    const std::string path = folder + "/rows.txt";
    {
        ShuffleGenerator generator;
        generator.SetKey(GeneratorKey{4, 5, 6});
        ShuffleList list;
        Deck deck = InitialDeck();
        list.AppendShuffles(deck, generator, Rows);
        ExportShuffleList(list, path);
    }
    double readSeconds = 0, importSeconds = 0;
    for (auto _ : state) {
        const double t0 = CpuSeconds();
        benchmark::DoNotOptimize(ReadOnly(path));
        const double t1 = CpuSeconds();
        const std::size_t rows = Import(path);
        const double t2 = CpuSeconds();
        if (rows != Rows) throw std::runtime_error("rows lost");
        readSeconds += t1 - t0;
        importSeconds += t2 - t1;
        state.SetIterationTime(t2 - t1);
    }
    std::filesystem::remove_all(folder);
    const double rows = static_cast<double>(state.iterations() * Rows);
    state.counters["import_Mrows_per_s"] = rows / importSeconds / 1e6;
    state.counters["read_only_Mrows_per_s"] = rows / readSeconds / 1e6;
    // Opening also stores 52 bytes a row in memory it has just allocated.
    state.counters["speed_ratio"] = readSeconds / importSeconds;
}
BENCHMARK(BM_ImportVsReadOnly)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
