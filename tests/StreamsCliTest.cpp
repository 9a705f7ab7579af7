// Runs of several independent streams through the command-line program: the same bytes as the
// merge of their streams run alone, for every thread count.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/CliRunner.h"

namespace brevane::test {
namespace {

const std::string Key = "00112233445566778899aabbccddeeff00112233445566778899aabbccddeeff";

std::vector<std::string> Join(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

CliResult Run(const std::vector<std::string>& args) {
    return RunCli(args, {}, CliSetup{{"SOURCE_DATE_EPOCH=1700000000"}});
}

// What each command prints, in every format it has: the arguments after the rows.
const std::vector<std::vector<std::string>> Outputs = {
    {"test", "--format", "text"},
    {"test", "--format", "csv"},
    {"test", "--format", "json"},
    {"test", "--format", "html"},
    {"report", "categories", "--format", "text"},
    {"report", "card", "As", "--format", "csv"},
    {"report", "suit", "Heart", "--format", "json"},
    {"map", "--format", "csv"},
    {"map", "--format", "json"},
    {"map", "--view", "moves", "--format", "svg"},
};

// Runs one output over the rows given by `rows` (the seat options last); html and svg go to a
// file, whose bytes are the result.
std::string Output(const TempDir& dir, const std::vector<std::string>& output,
                   const std::vector<std::string>& rows) {
    std::vector<std::string> args = {output[0]};
    std::string file;
    if (output.back() == "html" || output.back() == "svg") {
        // One name for both, as the html report's command names it.
        file = dir.File("out." + output.back());
        args = Join(args, {"--output", file});
    }
    // map takes the seat options only with --save-counts.
    const auto seatAt = std::find(rows.begin(), rows.end(), "--players");
    args = Join(args, output[0] == "map" ? std::vector<std::string>(rows.begin(), seatAt) : rows);
    args = Join(args, {output.begin() + 1, output.end()});
    const CliResult result = Run(args);
    EXPECT_TRUE(result.status == 0 || result.status == 3 || result.status == 4)
        << result.status << " " << result.err;
    return file.empty() ? result.out : ReadFileBytes(file);
}

// Merge of the shards through `output`, the counts files given in `files` order.
std::string MergedOutput(const TempDir& dir, const std::vector<std::string>& output,
                         const std::vector<std::string>& files) {
    std::vector<std::string> args = {"merge"};
    args = Join(args, files);
    args.push_back(output[0]);
    std::string file;
    if (output.back() == "html" || output.back() == "svg") {
        file = dir.File("out." + output.back());
        args = Join(args, {"--output", file});
    }
    args = Join(args, {output.begin() + 1, output.end()});
    const CliResult result = Run(args);
    EXPECT_TRUE(result.status == 0 || result.status == 3 || result.status == 4)
        << result.status << " " << result.err;
    return file.empty() ? result.out : ReadFileBytes(file);
}

std::uint64_t Share(std::uint64_t n, std::uint64_t s, std::uint64_t i) {
    return n / s + (i < n % s ? 1 : 0);
}

TEST(StreamsCli, RunOfStreamsPrintsWhatMergeOfItsStreamsAlonePrints) {
    const std::uint64_t shuffles = 2000;
    for (const std::uint64_t streams : {2u, 3u, 7u}) {
        SCOPED_TRACE(streams);
        TempDir dir;
        const std::vector<std::string> seat = {"--players", "6", "--seat", "D-2", "--rotate"};
        // The shards, saved by `test --stream s` with its share, named in reverse order.
        std::vector<std::string> files;
        for (std::uint64_t s = streams; s-- > 0;) {
            const std::string file = dir.File("stream" + std::to_string(s) + ".json");
            const CliResult saved =
                RunCli(Join({"test", "--shuffles", std::to_string(Share(shuffles, streams, s)),
                             "--key", Key, "--stream", std::to_string(s), "--save-counts", file},
                            seat));
            ASSERT_NE(saved.status, 2) << saved.err;
            files.push_back(file);
        }
        const std::vector<std::string> rows = Join({"--shuffles", std::to_string(shuffles), "--key",
                                                    Key, "--streams", std::to_string(streams)},
                                                   seat);
        for (const auto& output : Outputs) {
            SCOPED_TRACE(output[0] + " " + output.back());
            const std::string run = Output(dir, output, rows);
            EXPECT_FALSE(run.empty());
            EXPECT_EQ(run, MergedOutput(dir, output, files));
        }
        const std::string json = Output(dir, Outputs[2], rows);
        EXPECT_NE(json.find("\"streams\":" + std::to_string(streams) + "}"), std::string::npos)
            << json;
        EXPECT_NE(Output(dir, Outputs[0], rows).find(", " + std::to_string(streams) + " streams\n"),
                  std::string::npos);
    }
}

TEST(StreamsCli, EveryThreadCountGivesTheSameOutputAndCounts) {
    TempDir dir;
    std::string first;
    std::string firstCounts;
    for (const std::string threads : {"1", "2", "3", "5"}) {
        const std::string counts = dir.File("counts" + threads + ".json");
        const CliResult result =
            RunCli({"test", "--shuffles", "30001", "--key", Key, "--streams", "4", "--threads",
                    threads, "--format", "json", "--save-counts", counts, "--rotate"});
        ASSERT_NE(result.status, 2) << result.err;
        if (first.empty()) {
            first = result.out;
            firstCounts = ReadFileBytes(counts);
            EXPECT_NE(firstCounts.find("\"streams\":4"), std::string::npos);
            continue;
        }
        EXPECT_EQ(result.out, first) << threads;
        EXPECT_EQ(ReadFileBytes(counts), firstCounts) << threads;
    }
}

TEST(StreamsCli, OneStreamIsTodaysRunByteForByte) {
    for (const auto& output : {std::vector<std::string>{"test", "--format", "json"},
                               std::vector<std::string>{"report", "rank", "A"}}) {
        const std::vector<std::string> rows = {"--shuffles", "5000", "--key", Key};
        const CliResult plain = RunCli(Join(output, rows));
        const CliResult one = RunCli(Join(Join(output, rows), {"--streams", "1"}));
        EXPECT_EQ(plain.out, one.out);
        EXPECT_FALSE(plain.out.empty());
        EXPECT_EQ(plain.out.find("stream"), std::string::npos);
    }
    EXPECT_EQ(RunCli({"shuffle", "300", "--key", Key}).out,
              RunCli({"shuffle", "300", "--key", Key, "--streams", "1"}).out);
}

TEST(StreamsCli, ShuffleWritesEachStreamsRowsInStreamOrder) {
    for (const std::string threads : {"1", "2"}) {
        std::string joined;
        for (std::uint64_t s = 0; s < 3; ++s) {
            joined += RunCli({"shuffle", std::to_string(Share(100, 3, s)), "--key", Key, "--stream",
                              std::to_string(s), "--threads", threads})
                          .out;
        }
        const CliResult run =
            RunCli({"shuffle", "100", "--key", Key, "--streams", "3", "--threads", threads});
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out, joined);
        EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 100);
        // Stream 0 is not the key's own list.
        EXPECT_NE(run.out.substr(0, 160),
                  RunCli({"shuffle", "1", "--key", Key}).out.substr(0, 160));
    }
}

TEST(StreamsCli, HandsListEveryStreamsRowsInOrder) {
    const CliResult hands =
        RunCli({"hands", "--shuffles", "40", "--key", Key, "--streams", "3", "--format", "text"});
    ASSERT_EQ(hands.status, 0) << hands.err;
    TempDir dir;
    WriteFileBytes(dir.File("rows.txt"),
                   RunCli({"shuffle", "40", "--key", Key, "--streams", "3"}).out);
    EXPECT_EQ(hands.out, RunCli({"hands", "--input", dir.File("rows.txt")}).out);
}

// The hands of the lines, without their numbers.
std::string Captions(const std::string& lines) {
    std::string captions;
    for (std::size_t at = 0; at < lines.size();) {
        const std::size_t end = lines.find('\n', at);
        const std::size_t tab = lines.find('\t', at);
        captions += lines.substr(tab + 1, end + 1 - (tab + 1));
        at = end + 1;
    }
    return captions;
}

TEST(StreamsCli, HandsOfARotatingSeatStartAgainInEachStream) {
    const std::vector<std::string> seat = {"--players", "4", "--seat", "D-1", "--rotate"};
    std::string joined;
    for (std::uint64_t s = 0; s < 3; ++s) {
        joined += Captions(RunCli(Join({"hands", "--shuffles", std::to_string(Share(1000, 3, s)),
                                        "--key", Key, "--stream", std::to_string(s)},
                                       seat))
                               .out);
    }
    const CliResult run =
        RunCli(Join({"hands", "--shuffles", "1000", "--key", Key, "--streams", "3"}, seat));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1000);
    EXPECT_EQ(Captions(run.out), joined);
}

std::string SlurmScript(const std::string& name) {
    return (std::filesystem::path(__FILE__).parent_path().parent_path() / "scripts" / "slurm" /
            name)
        .string();
}

TEST(StreamsCli, SlurmArrayTasksRunLocallyThenMergedPrintTheRunOfStreams) {
    for (const std::string format : {"text", "json"}) {
        TempDir dir;
        const std::string env = "SHUFFLES=10007 STREAMS=5 KEY=" + Key +
                                " OUT=" + dir.File("counts") + " BREVANE_CLI=\"$CLI\" ";
        std::string script;
        for (int task = 0; task < 5; ++task) {
            script += env + "SLURM_ARRAY_TASK_ID=" + std::to_string(task) + " bash " +
                      SlurmScript("streams-array.sh") + " || exit 9\n";
        }
        script += env + "MERGE_ARGS='--format " + format + "' bash " +
                  SlurmScript("streams-merge.sh") + "\n";
        const CliResult merged = RunShell(script);
        EXPECT_NE(merged.status, 9) << merged.err;
        EXPECT_TRUE(merged.err.empty()) << merged.err;
        const CliResult run = RunCli(
            {"test", "--shuffles", "10007", "--key", Key, "--streams", "5", "--format", format});
        EXPECT_EQ(merged.status, run.status);
        EXPECT_FALSE(run.out.empty());
        EXPECT_EQ(merged.out, run.out);
    }
}

TEST(StreamsCli, RefusesStreamOptionsThatDoNotFit) {
    const std::vector<std::vector<std::string>> refused = {
        {"test", "--shuffles", "10", "--streams", "0"},
        {"test", "--shuffles", "10", "--streams", "1048577"},
        {"test", "--shuffles", "10", "--streams", "02"},
        {"test", "--shuffles", "10", "--stream", "1048576"},
        {"test", "--shuffles", "10", "--stream", "-1"},
        {"test", "--shuffles", "10", "--streams", "2", "--stream", "1"},
        {"test", "--input", "-", "--streams", "2"},
        {"report", "categories", "--shuffles", "10", "--streams", "2", "--first-row", "5"},
        {"shuffle", "10", "--streams", "2", "--stream", "0"},
        {"shuffle", "10", "--streams", "x"},
    };
    for (const auto& args : refused) {
        const CliResult result = RunCli(args);
        EXPECT_EQ(result.status, 2) << args.back();
        EXPECT_TRUE(result.out.empty());
        EXPECT_NE(result.err.find("stream"), std::string::npos) << result.err;
    }
    EXPECT_EQ(RunCli({"test", "--shuffles", "10", "--streams", "1048576", "--key", Key}).status, 4);
}

}  // namespace
}  // namespace brevane::test
