#pragma once

#include <benchmark/benchmark.h>
#include <sys/types.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace brevane::bench {

// Starts brevane-cli of this build with `args`, standard output going to /dev/null.
pid_t SpawnCli(const std::vector<std::string>& args);

// A program of this build ("brevane-mpi") by its full name.
std::string BuiltProgram(const std::string& name);
// Starts `program` (a path, or a name looked up in PATH) with `args`, standard output going to
// /dev/null.
pid_t SpawnProgram(const std::string& program, const std::vector<std::string>& args);

// Throws unless the child `pid`, started by SpawnCli, exited with one of `statuses`.
void ExpectExit(pid_t pid, int exitStatus, std::initializer_list<int> statuses);

// Wall-clock seconds of one brevane-cli run that exits with 0 or 3 (a verdict of fail).
double CliSeconds(const std::vector<std::string>& args);
// The same for `program` as SpawnProgram starts it.
double ProgramSeconds(const std::string& program, const std::vector<std::string>& args);

// An export file of `rows` rows made by `shuffle --key key`, written on first use and removed at
// exit; one per process for each key and row count.
const std::string& RowsFile(const std::string& key, std::uint64_t rows);
// RowsFile(key, 5,000,000).
const std::string& FiveMillionRowsFile(const std::string& key);

// Runs `baseline` and `subject` (each giving its seconds) alternately once per iteration, and
// reports both mean times and speed_ratio = baseline / subject, with `label`.
template <class Baseline, class Subject>
void CompareRuns(benchmark::State& state, Baseline baseline, Subject subject, const char* label) {
    double baseSeconds = 0, subjectSeconds = 0;
    for (auto _ : state) {
        baseSeconds += baseline();
        const double t = subject();
        subjectSeconds += t;
        state.SetIterationTime(t);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["baseline_ms"] = 1e3 * baseSeconds / n;
    state.counters["subject_ms"] = 1e3 * subjectSeconds / n;
    state.counters["speed_ratio"] = baseSeconds / subjectSeconds;
    state.SetLabel(label);
}

}  // namespace brevane::bench
