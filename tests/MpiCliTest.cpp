// brevane-mpi under mpirun against brevane-cli, byte for byte. These tests fail, never skip,
// when brevane-mpi was not built: the set-up script installs Open MPI.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "support/CliRunner.h"

namespace brevane::test {
namespace {

const std::string Key = "ffeeddccbbaa99887766554433221100ffeeddccbbaa99887766554433221100";

std::string Quote(const std::string& arg) {
    std::string quoted(1, '\'');
    for (const char c : arg) {
        if (c == '\'') {
            quoted.append("'\\''");
        } else {
            quoted.push_back(c);
        }
    }
    quoted.push_back('\'');
    return quoted;
}

// `memory`, when not empty, is the BREVANE_RANK_MEMORY of every rank: "0" makes each rank read
// its range of an input file twice rather than keep what it found the first time.
CliResult RunMpi(int ranks, const std::vector<std::string>& args, const std::string& memory = {}) {
    std::string script = "exec mpirun --oversubscribe --allow-run-as-root -np ";
    script.append(std::to_string(ranks)).append(" ").append(Quote(BREVANE_MPI_PATH));
    for (const std::string& arg : args) script.append(" ").append(Quote(arg));
    CliSetup setup{{"SOURCE_DATE_EPOCH=1700000000"}};
    if (!memory.empty()) setup.env.push_back("BREVANE_RANK_MEMORY=" + memory);
    return RunShell(script, {}, setup);
}

CliResult Cli(const std::vector<std::string>& args) {
    return RunCli(args, {}, CliSetup{{"SOURCE_DATE_EPOCH=1700000000"}});
}

class MpiCli : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(std::string(BREVANE_MPI_PATH).empty())
            << "brevane-mpi was not built: install Open MPI (scripts/install-deps.sh)";
    }
};

void ExpectSame(int ranks, const std::vector<std::string>& args, const std::string& memory = {}) {
    const CliResult cli = Cli(args);
    const CliResult mpi = RunMpi(ranks, args, memory);
    EXPECT_EQ(mpi.status, cli.status) << mpi.err;
    EXPECT_EQ(mpi.out, cli.out);
    EXPECT_FALSE(cli.out.empty());
}

TEST_F(MpiCli, GeneratedStreamsOnOneTwoAndThreeRanksPrintWhatTheCliPrints) {
    for (const int ranks : {1, 2, 3}) {
        SCOPED_TRACE(ranks);
        const std::vector<std::string> rows = {"--shuffles", "20011", "--key",     Key,
                                               "--streams",  "5",     "--threads", "1"};
        for (const std::string format : {"text", "csv", "json"}) {
            std::vector<std::string> args = {"test", "--rotate", "--format", format};
            args.insert(args.end(), rows.begin(), rows.end());
            ExpectSame(ranks, args);
        }
        std::vector<std::string> report = {"report", "categories", "--rotate", "--format", "json"};
        report.insert(report.end(), rows.begin(), rows.end());
        ExpectSame(ranks, report);
        std::vector<std::string> map = {"map", "--format", "csv", "--view", "moves"};
        map.insert(map.end(), rows.begin(), rows.end());
        ExpectSame(ranks, map);
    }
}

TEST_F(MpiCli, OneStreamRunAndAStreamAloneGoToRankZero) {
    ExpectSame(3, {"test", "--format", "json", "--shuffles", "3000", "--key", Key});
    ExpectSame(2,
               {"test", "--format", "json", "--shuffles", "3000", "--key", Key, "--stream", "6"});
    // Fewer shuffles than ranks and streams.
    ExpectSame(3, {"report", "rank", "A", "--shuffles", "2", "--key", Key, "--streams", "4"});
}

TEST_F(MpiCli, SavedCountsAreTheCliOnes) {
    TempDir dir;
    const std::vector<std::string> args = {"test", "--shuffles", "9000", "--key",
                                           Key,    "--streams",  "4",    "--save-counts"};
    std::vector<std::string> cliArgs = args;
    cliArgs.push_back(dir.File("cli.json"));
    std::vector<std::string> mpiArgs = args;
    mpiArgs.push_back(dir.File("mpi.json"));
    EXPECT_EQ(Cli(cliArgs).status, RunMpi(3, mpiArgs).status);
    const std::string saved = ReadFileBytes(dir.File("cli.json"));
    EXPECT_FALSE(saved.empty());
    EXPECT_EQ(ReadFileBytes(dir.File("mpi.json")), saved);
    // No rank left a temporary file behind.
    EXPECT_EQ(FolderEntries(dir.Path()), (std::set<std::string>{"cli.json", "mpi.json"}));
}

TEST_F(MpiCli, InputFileGivesTheCliBytesAndItsErrors) {
    TempDir dir;
    const std::string rows = Cli({"shuffle", "5000", "--key", Key}).out;
    WriteFileBytes(dir.File("rows.txt"), rows);
    // The last line bad: in the last rank's range.
    WriteFileBytes(dir.File("bad.txt"), rows + "2c 2d\r\n");
    WriteFileBytes(dir.File("two.txt"), rows.substr(0, rows.find('\n') + 1) +
                                            rows.substr(rows.find('\n') + 1, rows.find('\n') + 1));
    WriteFileBytes(dir.File("empty.txt"), "");
    for (const int ranks : {1, 2, 3}) {
        SCOPED_TRACE(ranks);
        ExpectSame(ranks, {"test", "--input", dir.File("rows.txt"), "--format", "json"});
        ExpectSame(ranks, {"test", "--input", dir.File("two.txt")});
        for (const std::string file : {"bad.txt", "empty.txt"}) {
            const std::vector<std::string> args = {"test", "--input", dir.File(file)};
            const CliResult cli = Cli(args);
            const CliResult mpi = RunMpi(ranks, args);
            EXPECT_EQ(cli.status, 2);
            EXPECT_EQ(mpi.status, 2);
            EXPECT_TRUE(mpi.out.empty());
            EXPECT_NE(mpi.err.find(cli.err.substr(0, cli.err.size() - 1)), std::string::npos)
                << mpi.err;
        }
    }
    const CliResult bad = Cli({"test", "--input", dir.File("bad.txt")});
    EXPECT_NE(bad.err.find("bad.txt:5001:"), std::string::npos) << bad.err;
}

// 3000 rows of `model`: every rank of three holds more than a block of pairs, so the ranks
// count their own byte ranges. Each guess follows from the tables passed from rank to rank, so a
// wrong table changes the scores, with a biased model (whose tests fail: status 3) the more so.
std::string ModelRows(const std::string& model, bool fromNewDeck = false) {
    std::vector<std::string> args = {"shuffle", "3000", "--key", Key, "--model", model};
    if (fromNewDeck) args.push_back("--from-new-deck");
    return Cli(args).out;
}

// Each rank keeps the origins of its pairs (by default, or in as many rounds of ranges as its
// memory needs), or, with none, reads its range again to guess them: the same bytes either way.
// 60,000 bytes hold the origins of 1,153 rows, two rounds of the 3,000 rows; 30,000 bytes three
// or four rounds, so that tables, tails and rows are carried from round to round.
const std::vector<std::string> RankMemories = {"", "0", "60000", "30000"};

TEST_F(MpiCli, InputRangesGiveTheCliBytesInEveryFormat) {
    TempDir dir;
    WriteFileBytes(dir.File("rows.txt"), ModelRows("fisher-yates"));
    WriteFileBytes(dir.File("new.txt"), ModelRows("fisher-yates", true));
    WriteFileBytes(dir.File("riffle.txt"), ModelRows("riffle:4"));
    // Line ends of LF alone: the rows lie at other offsets.
    std::string lf = ModelRows("fisher-yates");
    std::erase(lf, '\r');
    WriteFileBytes(dir.File("lf.txt"), lf);
    // Lines of LF alone up to line 2500, of CR LF after: a later range finds its rows elsewhere
    // than the first line's length puts them, and rank 0 counts the file alone.
    const std::size_t line2500 = [&] {
        std::size_t at = 0;
        for (int line = 1; line < 2500; ++line) at = lf.find('\n', at) + 1;
        return at;
    }();
    std::string mixed = lf.substr(0, line2500);
    for (std::size_t at = line2500; at < lf.size(); at = lf.find('\n', at) + 1)
        mixed += lf.substr(at, lf.find('\n', at) - at) + "\r\n";
    WriteFileBytes(dir.File("mixed.txt"), mixed);
    const std::string rows = dir.File("rows.txt");
    ExpectSame(1, {"test", "--input", rows, "--format", "json"});
    for (const std::string& memory : RankMemories) {
        SCOPED_TRACE("rank memory " + memory);
        ExpectSame(3, {"test", "--input", dir.File("riffle.txt"), "--format", "json"}, memory);
        for (const int ranks : {2, 3}) {
            SCOPED_TRACE(ranks);
            ExpectSame(ranks, {"test", "--input", rows}, memory);
            ExpectSame(ranks, {"test", "--input", dir.File("lf.txt"), "--format", "json"}, memory);
            ExpectSame(ranks, {"test", "--input", dir.File("mixed.txt"), "--format", "json"},
                       memory);
            ExpectSame(
                ranks,
                {"test", "--input", dir.File("new.txt"), "--from-new-deck", "--format", "json"},
                memory);
            ExpectSame(ranks,
                       {"test", "--input", rows, "--format", "csv", "--rotate", "--first-row", "7",
                        "--players", "6"},
                       memory);
            ExpectSame(ranks,
                       {"report", "categories", "--input", rows, "--rotate", "--format", "json"},
                       memory);
            ExpectSame(ranks, {"map", "--input", rows, "--view", "moves", "--format", "csv"},
                       memory);
            const std::string cliCounts = dir.File("cli.json");
            const std::string mpiCounts = dir.File("mpi.json");
            EXPECT_EQ(Cli({"test", "--input", rows, "--save-counts", cliCounts}).status, 0);
            EXPECT_EQ(
                RunMpi(ranks, {"test", "--input", rows, "--save-counts", mpiCounts}, memory).status,
                0);
            EXPECT_EQ(ReadFileBytes(mpiCounts), ReadFileBytes(cliCounts));
        }
    }
}

TEST_F(MpiCli, TheFirstBadLineInFileOrderIsReportedWithItsLineInTheWholeFile) {
    TempDir dir;
    const std::string rows = ModelRows("fisher-yates");
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < rows.size();) {
        const std::size_t end = rows.find('\n', at) + 1;
        lines.push_back(rows.substr(at, end - at));
        at = end;
    }
    ASSERT_EQ(lines.size(), 3000u);
    // Line 1400 in the middle rank's range of three, line 2950 in the last rank's.
    std::vector<std::string> twoBad = lines;
    twoBad[1399] = "Ac Ac\r\n";
    twoBad[2949] = "\r\n";
    std::vector<std::string> lastBad = lines;
    lastBad[2949] = twoBad[2949];
    const auto joined = [](const std::vector<std::string>& parts) {
        std::string text;
        for (const std::string& part : parts) text += part;
        return text;
    };
    WriteFileBytes(dir.File("two-bad.txt"), joined(twoBad));
    WriteFileBytes(dir.File("last-bad.txt"), joined(lastBad));
    for (const auto& [file, line] : {std::pair<std::string, std::string>{"two-bad.txt", ":1400:"},
                                     {"last-bad.txt", ":2950:"}}) {
        const std::vector<std::string> args = {"test", "--input", dir.File(file)};
        const CliResult cli = Cli(args);
        ASSERT_EQ(cli.status, 2);
        EXPECT_NE(cli.err.find(file + line), std::string::npos) << cli.err;
        for (const int ranks : {2, 3}) {
            for (const std::string& memory : RankMemories) {
                const CliResult mpi = RunMpi(ranks, args, memory);
                EXPECT_EQ(mpi.status, 2);
                EXPECT_TRUE(mpi.out.empty());
                EXPECT_NE(mpi.err.find(cli.err), std::string::npos) << mpi.err;
            }
        }
    }
}

TEST_F(MpiCli, UnreadableInputEndsEveryRankWithTheSystemsError) {
    TempDir dir;
    const CliResult mpi = RunMpi(2, {"test", "--input", dir.Path()});
    const CliResult cli = Cli({"test", "--input", dir.Path()});
    EXPECT_EQ(mpi.status, cli.status);
    EXPECT_NE(cli.status, 0);
    EXPECT_TRUE(mpi.out.empty());
    EXPECT_NE(mpi.err.find("Is a directory"), std::string::npos) << mpi.err;
}

// One rank given a file it cannot open while the others count theirs: no rank is left waiting,
// the job fails, and the failing rank's own error reaches the user. (Open MPI tells each rank its
// index in OMPI_COMM_WORLD_RANK; the shell gives that rank another file.)
TEST_F(MpiCli, ARankThatCannotOpenItsInputEndsTheJob) {
    TempDir dir;
    const std::string rows = dir.File("rows.txt");
    const CliResult made = Cli({"shuffle", "3000", "--key", std::string(64, '5'), "--quiet"});
    ASSERT_EQ(made.status, 0);
    WriteFileBytes(rows, made.out);
    const std::string missing = dir.File("missing.txt");
    for (const int ranks : {2, 3}) {
        for (const int failing : {0, ranks - 1}) {
            const std::string script =
                "exec timeout 120 mpirun --oversubscribe --allow-run-as-root -np " +
                std::to_string(ranks) + " sh -c " +
                Quote("if [ \"$OMPI_COMM_WORLD_RANK\" = " + std::to_string(failing) +
                      " ]; then f=" + Quote(missing) + "; else f=" + Quote(rows) + "; fi; exec " +
                      Quote(BREVANE_MPI_PATH) + " test --input \"$f\"");
            const CliResult mpi = RunShell(script);
            EXPECT_NE(mpi.status, 0) << ranks << " ranks, rank " << failing;
            EXPECT_NE(mpi.status, 124) << "a rank was left waiting";
            EXPECT_TRUE(mpi.out.empty()) << mpi.out;
            EXPECT_NE(mpi.err.find("missing.txt: No such file or directory"), std::string::npos)
                << mpi.err;
        }
    }
}

}  // namespace
}  // namespace brevane::test
