// Exporting the list against writing the same number of preformatted bytes to the same file.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "analysis/Export.h"

namespace {

using namespace brevane;

constexpr std::size_t Rows = 200'000;

// CPU time of this thread, system time included: steadier than wall time on a busy machine.
double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// Writes `bytes` to `path` in 1 MiB pieces, replacing the file.
void WriteRaw(const std::string& path, const std::vector<char>& bytes) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) throw std::runtime_error("cannot open " + path);
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t n = std::min<std::size_t>(bytes.size() - at, 1 << 20);
        const ssize_t done = write(fd, bytes.data() + at, n);
        if (done <= 0) throw std::runtime_error("write failed");
        at += static_cast<std::size_t>(done);
    }
    if (close(fd) != 0) throw std::runtime_error("close failed");
}

void BM_ExportVsRawWrite(benchmark::State& state) {
    ShuffleGenerator generator;
    generator.SetKey(GeneratorKey{1, 2, 3});
    ShuffleList list;
    Deck deck = InitialDeck();
    list.AppendShuffles(deck, generator, Rows);
    std::vector<char> preformatted(Rows * ExportLineBytes);
    for (std::size_t r = 0; r < Rows; ++r)
        FormatExportLine(list.Row(r), preformatted.data() + r * ExportLineBytes);

    std::string folder = (std::filesystem::temp_directory_path() / "brevane-bench-XXXXXX").string();
    if (!mkdtemp(folder.data())) throw std::runtime_error("mkdtemp failed");
    const std::string path = folder + "/export.txt";
    double rawSeconds = 0, exportSeconds = 0, rawWall = 0, exportWall = 0;
    for (auto _ : state) {
        const auto w0 = std::chrono::steady_clock::now();
        const auto t0 = CpuSeconds();
        WriteRaw(path, preformatted);
        const auto t1 = CpuSeconds();
        const auto w1 = std::chrono::steady_clock::now();
        ExportShuffleList(list, path);
        const auto t2 = CpuSeconds();
        const auto w2 = std::chrono::steady_clock::now();
        rawWall += std::chrono::duration<double>(w1 - w0).count();
        exportWall += std::chrono::duration<double>(w2 - w1).count();
        rawSeconds += (t1 - t0);
        exportSeconds += (t2 - t1);
        state.SetIterationTime((t2 - t1));
    }
    std::filesystem::remove_all(folder);
    const double bytes = static_cast<double>(state.iterations() * preformatted.size());
    state.counters["export_MB_per_s"] = bytes / exportSeconds / 1e6;
    state.counters["raw_write_MB_per_s"] = bytes / rawSeconds / 1e6;
    state.counters["speed_ratio"] = rawSeconds / exportSeconds;  // target >= 0.50
    // The same by wall-clock time, which also counts waiting and other programs' load.
    state.counters["wall_speed_ratio"] = rawWall / exportWall;
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_ExportVsRawWrite)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace

BENCHMARK_MAIN();
