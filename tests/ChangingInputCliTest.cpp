// `test --input` on files that change while they are read, that lie about their size, or that
// are not files at all: on one thread, on two and on seven, the answer is the same, its SHA-256
// is that of the rows counted, and no run dies of a signal.
#include <set>

#include "AnalysisCliHelpers.h"

namespace brevane::test {
namespace {

const std::string Key(64, '3');

// The SHA-256 of the first `bytes` bytes of `path`, by coreutils.
std::string Sha256OfPrefix(const std::string& path, std::uint64_t bytes) {
    const CliResult r =
        RunShell("head -c " + std::to_string(bytes) + " '" + path + "' | sha256sum");
    EXPECT_EQ(r.status, 0) << r.err;
    return r.out.substr(0, 64);
}

// Rows over three pieces of the parallel reader, CR LF ended.
class ChangingInputCli : public AnalysisCliTest<60000> {};

TEST_F(ChangingInputCli, EveryThreadCountGivesTheSameBytesAndDigest) {
    const std::string digest = Sha256SumOf(path_);
    for (const char* format : {"text", "json"}) {
        std::string first, firstCounts;
        for (const std::string run : {"1", "2", "7", "taskset 2"}) {
            const bool oneCpu = run.starts_with("taskset");
            const std::string threads = oneCpu ? "2" : run;
            const std::string counts = dir_.File("counts-" + threads + ".json");
            const std::string command = std::string(oneCpu ? "taskset -c 0 " : "") +
                                        "\"$CLI\" test --input '" + path_ + "' --format " + format +
                                        " --threads " + threads + " --save-counts '" + counts + "'";
            const CliResult r = RunShell(command);
            EXPECT_EQ(r.status, 0) << run << r.err;
            EXPECT_NE(r.out.find(digest), std::string::npos) << run;
            if (first.empty()) {
                first = r.out;
                firstCounts = ReadFileBytes(counts);
                EXPECT_NE(firstCounts.find(digest), std::string::npos);
            } else {
                EXPECT_EQ(r.out, first) << run;
                EXPECT_EQ(ReadFileBytes(counts), firstCounts) << run;
            }
        }
    }
}

// A file that shrinks or grows during a parallel read: the run ends normally, and its SHA-256 is
// that of the rows it counted, which the file held (or still holds) at its start. No temporary
// file stays beside the counts file. The change comes at a few moments, some of them while the
// file is being read.
class ChangingInputRace : public ::testing::Test {
  protected:
    static constexpr std::uint64_t Rows = 400000;

    void SetUp() override {
        setenv("LC_ALL", "C", 1);
        rows_ = dir_.File("rows.txt");
        const CliResult made =
            RunCli({"shuffle", std::to_string(Rows), "--key", Key, "--quiet", "--output", rows_});
        ASSERT_EQ(made.status, 0) << made.err;
    }

    // What a run of `test` on a changing copy of the rows gave, and what it left in its folder.
    struct Run {
        std::string status;  // the shell's $?: 128 + the signal for a run that died of one
        std::string err;
        std::string result;  // the JSON result, or "" when none was printed
        std::set<std::string> left;
    };

    // Runs `test` on a copy of the rows, with the counts saved beside its result, while `change`
    // runs after `delay` seconds; `prefix` goes before the command (taskset, for one CPU).
    Run RunChanging(const std::string& change, const std::string& delay,
                    const std::string& prefix = "") {
        const std::string out = dir_.File("out");
        RunShell("rm -rf '" + out + "' && mkdir '" + out + "' && cp '" + rows_ + "' '" +
                 dir_.File("f") + "'");
        const CliResult r = RunShell("cd '" + dir_.Path() + "' && { " + prefix + " \"$CLI\" " +
                                     "test --input f --threads 2 --format json --quiet " +
                                     "--save-counts out/c.json > out/r.json & pid=$!; sleep " +
                                     delay + "; " + change + "; wait $pid; echo $?; }");
        Run run{r.out, r.err, ReadFileBytes(out + "/r.json"), FolderEntries(out)};
        if (run.status.ends_with('\n')) run.status.pop_back();
        return run;
    }

    // The JSON result of a run that must succeed, with the run's own checks made.
    nlohmann::json RunWhile(const std::string& change, const std::string& delay) {
        const Run run = RunChanging(change, delay);
        EXPECT_EQ(run.status, "0") << change << " after " << delay << "s: " << run.err;
        EXPECT_EQ(run.left, (std::set<std::string>{"c.json", "r.json"}));
        return nlohmann::json::parse(run.result.empty() ? "{}" : run.result);
    }

    TempDir dir_;
    std::string rows_;
};

TEST_F(ChangingInputRace, AShrinkingFileGivesTheRowsCountedWithTheirDigest) {
    constexpr std::uint64_t kept = 20000;
    for (const char* delay : {"0", "0.02", "0.05", "0.1", "0.2"}) {
        const nlohmann::json result =
            RunWhile("truncate -s " + std::to_string(kept * ExportLineBytes) + " f", delay);
        ASSERT_TRUE(result.contains("shuffles")) << delay;
        const auto shuffles = result["shuffles"].get<std::uint64_t>();
        EXPECT_GE(shuffles, kept);
        EXPECT_LE(shuffles, Rows);
        EXPECT_EQ(result["source"]["sha256"], Sha256OfPrefix(rows_, shuffles * ExportLineBytes))
            << delay;
    }
}

// Cut inside a line, as `truncate -s 1000000` cuts: a run that saw the cut refuses the part line
// as one pass over the shortened file refuses it, and leaves no counts file; one that had read
// every row first counts them all. Never a signal, on one CPU or two.
TEST_F(ChangingInputRace, AFileCutInsideALineIsRefusedAtThatLineOrCountedWhole) {
    const std::uint64_t cut = 6369 * ExportLineBytes + 67;
    RunShell("head -c " + std::to_string(cut) + " '" + rows_ + "' > '" + dir_.File("cut") + "'");
    const CliResult once = RunShell("cd '" + dir_.Path() + "' && \"$CLI\" test --input cut");
    ASSERT_EQ(once.status, 2);
    ASSERT_TRUE(once.err.starts_with("cut:6370: ")) << once.err;
    // The same message, naming f instead of cut.
    const std::string refusal = once.err.substr(3);
    const std::string whole = Sha256OfPrefix(rows_, Rows * ExportLineBytes);
    for (const char* prefix : {"", "taskset -c 0"}) {
        for (const char* delay : {"0", "0.02", "0.05", "0.1", "0.2", "0.4"}) {
            const Run run = RunChanging("truncate -s " + std::to_string(cut) + " f", delay, prefix);
            if (run.status == "2") {
                EXPECT_TRUE(run.err.starts_with("f:")) << run.err;
                EXPECT_EQ(run.err.substr(1), refusal) << prefix << " " << delay;
                EXPECT_EQ(run.result, "");
                EXPECT_EQ(run.left, std::set<std::string>{"r.json"});
                continue;
            }
            ASSERT_EQ(run.status, "0") << prefix << " " << delay << "s: " << run.err;
            const nlohmann::json result = nlohmann::json::parse(run.result);
            EXPECT_EQ(result["shuffles"], Rows);
            EXPECT_EQ(result["source"]["sha256"], whole);
            EXPECT_EQ(run.left, (std::set<std::string>{"c.json", "r.json"}));
        }
    }
}

TEST_F(ChangingInputRace, AGrowingFileGivesTheDigestOfTheRowsCounted) {
    const std::string more = dir_.File("more.txt");
    ASSERT_EQ(
        RunCli({"shuffle", "20000", "--key", std::string(64, '4'), "--quiet", "--output", more})
            .status,
        0);
    for (const char* delay : {"0", "0.02", "0.05", "0.1", "0.2"}) {
        const nlohmann::json result = RunWhile("cat '" + more + "' >> f", delay);
        ASSERT_TRUE(result.contains("shuffles")) << delay;
        const auto shuffles = result["shuffles"].get<std::uint64_t>();
        EXPECT_TRUE(shuffles == Rows || shuffles == Rows + 20000) << shuffles;
        EXPECT_EQ(result["source"]["sha256"],
                  Sha256OfPrefix(dir_.File("f"), shuffles * ExportLineBytes))
            << delay;
    }
}

// /proc's files say they hold 0 bytes. The rows given as the program's own name make
// /proc/self/cmdline a file of rows and then its arguments; read in one pass, every row is read
// and the line after them is the one refused, on any number of threads.
TEST_F(ChangingInputCli, AFileOfSizeZeroIsReadInOnePass) {
    const std::string rows = ExportText(reference::ShuffledList(300, 6));
    const std::string expected = "/proc/self/cmdline:301: unknown card name";
    std::string first;
    for (const char* threads : {"1", "2", "7"}) {
        CliSetup setup;
        setup.env = {"ROWS=" + rows};
        const CliResult r = RunShell(
            std::string("exec bash -c 'exec -a \"$ROWS\" \"$CLI\" test --input /proc/self/cmdline "
                        "--threads ") +
                threads + "'",
            "", setup);
        EXPECT_EQ(r.status, 2) << threads;
        EXPECT_EQ(r.out, "");
        EXPECT_TRUE(r.err.starts_with(expected)) << threads << ": " << r.err;
        if (first.empty()) first = r.err;
        EXPECT_EQ(r.err, first) << threads;
    }
}

// A pipe has no size at all: read in one pass, with the digest of what came through it.
TEST_F(ChangingInputCli, APipeNamedAsTheInputGivesTheFilesAnswer) {
    const std::string fifo = dir_.File("pipe");
    const CliResult once = RunCli({"test", "--input", path_, "--format", "json", "--threads", "1"});
    for (const char* threads : {"1", "2"}) {
        const CliResult r =
            RunShell("mkfifo '" + fifo + "' && { cat '" + path_ + "' > '" + fifo +
                     "' & \"$CLI\" test --input '" + fifo + "' --format json --threads " + threads +
                     "; } ; rm -f '" + fifo + "'");
        EXPECT_EQ(r.status, once.status) << r.err;
        EXPECT_EQ(WithoutSource(r.out), WithoutSource(once.out));
        EXPECT_EQ(nlohmann::json::parse(r.out)["source"]["sha256"],
                  nlohmann::json::parse(once.out)["source"]["sha256"]);
    }
}

// A sparse 8 GB file of one endless line is refused at its first line, as one pass refuses it,
// within a limit of CPU seconds that a scan of the whole file would exceed.
TEST_F(ChangingInputCli, AFileWithoutAnEarlyLineEndIsRefusedAtItsFirstLine) {
    const std::string hole = dir_.File("hole.txt");
    for (const char* threads : {"1", "2"}) {
        const CliResult r = RunShell("truncate -s 8G '" + hole + "' && ulimit -t 10 && \"$CLI\" " +
                                     "test --input '" + hole + "' --threads " + threads);
        EXPECT_EQ(r.status, 2) << threads;
        EXPECT_EQ(r.err, hole + ":1: line too long (expected 52 cards)\n") << threads;
    }
}

}  // namespace
}  // namespace brevane::test
