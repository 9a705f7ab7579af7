// What the html report adds to `test`: `test --format html --output FILE` against `test
// --format json` over the same 1,000,000 shuffles, generated and read from a file. The report is
// built from the counts alone, so the time it adds (added_ms, target at most 500) does not grow
// with the rows; speed_ratio is the json run's time over the html run's.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/CliProcess.h"

namespace {

using namespace brevane::bench;

constexpr const char* Shuffles = "1000000";
const std::string Key(64, '7');

std::string ReportPath() {
    return "/tmp/brevane-bench-report-" + std::to_string(getpid()) + ".html";
}

// `rows` as json and as the html report, alternately; counters as CompareRuns gives them, and
// added_ms, the html run's mean time less the json run's.
void CompareFormats(benchmark::State& state, const std::vector<std::string>& rows) {
    std::vector<std::string> json = {"test"};
    json.insert(json.end(), rows.begin(), rows.end());
    json.insert(json.end(), {"--quiet", "--format"});
    std::vector<std::string> html = json;
    json.push_back("json");
    html.insert(html.end(), {"html", "--output", ReportPath()});
    CompareRuns(
        state, [&] { return CliSeconds(json); }, [&] { return CliSeconds(html); },
        "target added_ms <= 500");
    state.counters["added_ms"] = state.counters["subject_ms"] - state.counters["baseline_ms"];
    std::remove(ReportPath().c_str());
}

void BM_HtmlReportVsJsonGenerated(benchmark::State& state) {
    CompareFormats(state, {"--shuffles", Shuffles, "--key", Key});
}

void BM_HtmlReportVsJsonFromFile(benchmark::State& state) {
    static const struct File {
        std::string path = "/tmp/brevane-bench-report-rows-" + std::to_string(getpid()) + ".txt";
        File() { CliSeconds({"shuffle", Shuffles, "--key", Key, "--quiet", "--output", path}); }
        ~File() { std::remove(path.c_str()); }
    } file;
    CompareFormats(state, {"--input", file.path});
}

}  // namespace

BENCHMARK(BM_HtmlReportVsJsonGenerated)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK(BM_HtmlReportVsJsonFromFile)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

BENCHMARK_MAIN();
