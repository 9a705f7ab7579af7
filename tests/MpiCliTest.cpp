// brevane-mpi under mpirun against brevane-cli, byte for byte. These tests fail, never skip,
// when brevane-mpi was not built: the set-up script installs Open MPI.

#include <gtest/gtest.h>

#include <string>
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

CliResult RunMpi(int ranks, const std::vector<std::string>& args) {
    std::string script = "exec mpirun --oversubscribe --allow-run-as-root -np ";
    script.append(std::to_string(ranks)).append(" ").append(Quote(BREVANE_MPI_PATH));
    for (const std::string& arg : args) script.append(" ").append(Quote(arg));
    return RunShell(script, {}, CliSetup{{"SOURCE_DATE_EPOCH=1700000000"}});
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

void ExpectSame(int ranks, const std::vector<std::string>& args) {
    const CliResult cli = Cli(args);
    const CliResult mpi = RunMpi(ranks, args);
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

TEST_F(MpiCli, UnreadableInputEndsEveryRankWithTheSystemsError) {
    TempDir dir;
    const CliResult mpi = RunMpi(2, {"test", "--input", dir.Path()});
    const CliResult cli = Cli({"test", "--input", dir.Path()});
    EXPECT_EQ(mpi.status, cli.status);
    EXPECT_NE(cli.status, 0);
    EXPECT_TRUE(mpi.out.empty());
    EXPECT_NE(mpi.err.find("Is a directory"), std::string::npos) << mpi.err;
}

}  // namespace
}  // namespace brevane::test
