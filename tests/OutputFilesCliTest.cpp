// The files a command writes beside its output: the counts file of --save-counts only after
// the output, and no output over an input or over another output.
#include <filesystem>
#include <nlohmann/json.hpp>
#include <set>

#include "AnalysisCliHelpers.h"
#include "support/TinyDisk.h"

namespace brevane {
namespace {

namespace fs = std::filesystem;
using test::CliResult;
using test::ExpectUsageError;
using test::FolderEntries;
using test::ReadFileBytes;
using test::RunCli;
using test::RunShell;
using test::WriteFileBytes;

class OutputFilesCliTest : public test::AnalysisCliTest<300> {
  protected:
    // The command and its arguments as shell words, reading the fixture's rows.
    std::string Words(const std::vector<std::string>& args) const {
        std::string words = "\"$CLI\"";
        for (const std::string& arg : args) words += " '" + arg + "'";
        return words + " --input '" + path_ + "'";
    }
};

// Each command that saves counts, with the arguments that print its result on standard output.
const std::vector<std::vector<std::string>> SavingCommands = {
    {"test"}, {"report", "suit", "Club"}, {"map", "--format", "csv"}};

TEST_F(OutputFilesCliTest, CountsAreSavedOnlyOnceTheOutputIsWritten) {
    const std::string counts = dir_.File("c.json");
    for (const auto& command : SavingCommands) {
        std::vector<std::string> args = command;
        args.insert(args.end(), {"--save-counts", counts});
        const std::string words = Words(args);

        CliResult r = RunShell(words + " > /dev/full");
        EXPECT_EQ(r.status, 1) << words;
        EXPECT_EQ(r.err, "brevane-cli: standard output: No space left on device\n");
        EXPECT_FALSE(fs::exists(counts)) << words;

        WriteFileBytes(counts, "older counts");
        r = RunShell(words + " > /dev/full");
        EXPECT_EQ(r.status, 1) << words;
        EXPECT_EQ(ReadFileBytes(counts), "older counts") << words;
        EXPECT_EQ(FolderEntries(dir_.Path()), (std::set<std::string>{"c.json", "rows.txt"}));

        // Written output: the counts follow it, and change nothing else.
        r = RunShell(words);
        const CliResult alone = RunShell(Words(command));
        EXPECT_EQ(r.status, alone.status) << words << r.err;
        EXPECT_EQ(r.out, alone.out);
        EXPECT_EQ(nlohmann::json::parse(ReadFileBytes(counts))["shuffles"], 300) << words;
        fs::remove(counts);
    }
}

// A picture that cannot be written takes its counts file with it.
TEST_F(OutputFilesCliTest, MapThatFailsLeavesNoCountsFile) {
    const std::string folder = dir_.File("disk");
    fs::create_directory(folder);
    test::TinyDisk disk(folder, "16k");
    if (!disk.Mounted()) GTEST_SKIP() << "cannot mount a small tmpfs here";
    const std::string counts = dir_.File("c.json");
    for (const bool older : {false, true}) {
        if (older) WriteFileBytes(counts, "older counts");
        const CliResult r =
            RunOnFile("map", {"--output", folder + "/map.svg", "--save-counts", counts});
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("No space left on device"), std::string::npos) << r.err;
        EXPECT_EQ(fs::exists(counts), older);
        if (older) {
            EXPECT_EQ(ReadFileBytes(counts), "older counts");
        }
        EXPECT_TRUE(fs::is_empty(folder));
    }
}

// Whatever names the input file: its own name, a link, another spelling, a hard link, or
// standard input redirected from it.
TEST_F(OutputFilesCliTest, CountsFileNamingTheInputIsRefused) {
    const std::string rows = ReadFileBytes(path_);
    fs::create_directory(dir_.File("sub"));
    fs::create_symlink(path_, dir_.File("sub/link.json"));
    fs::create_hard_link(path_, dir_.File("hard.json"));
    const std::string message = "names the same file as --input";
    for (const auto& command : SavingCommands) {
        for (const std::string& counts : {path_, dir_.File("sub/link.json"),
                                          dir_.File("sub/../rows.txt"), dir_.File("hard.json")}) {
            std::vector<std::string> args = command;
            args.insert(args.end(), {"--input", path_, "--save-counts", counts});
            ExpectUsageError(args, "--save-counts '" + counts + "' " + message);
        }
    }
    const CliResult r = RunShell("\"$CLI\" test --input - --save-counts '" + path_ + "' < '" +
                                 dir_.File("sub/link.json") + "'");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--save-counts '" + path_ + "' names the same file as --input '-'"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(ReadFileBytes(path_), rows);
    EXPECT_EQ(FolderEntries(dir_.Path()), (std::set<std::string>{"hard.json", "rows.txt", "sub"}));
}

TEST_F(OutputFilesCliTest, MapOutputsNamingAnInputOrEachOtherAreRefused) {
    const std::string rows = ReadFileBytes(path_);
    const std::string csv = dir_.File("m.csv");
    ExpectUsageError({"map", "--input", path_, "--format", "csv", "--output", path_},
                     "--output '" + path_ + "' names the same file as --input");
    ExpectUsageError({"map", "--input", path_, "--format", "csv", "--output", csv, "--save-counts",
                      csv + ".json"},
                     "--save-counts '" + csv +
                         ".json' names the same file as the file written beside "
                         "--output ('" +
                         csv + ".json')");
    ExpectUsageError(
        {"map", "--input", path_, "--format", "json", "--output", csv, "--save-counts",
         dir_.File("./m.csv")},
        "--save-counts '" + dir_.File("./m.csv") + "' names the same file as --output");
    // The rows beside the CSV's place.
    fs::rename(path_, csv + ".json");
    ExpectUsageError(
        {"map", "--input", csv + ".json", "--format", "csv", "--output", csv},
        "the file written beside --output ('" + csv + ".json') names the same file as --input");
    EXPECT_EQ(ReadFileBytes(csv + ".json"), rows);
    EXPECT_EQ(FolderEntries(dir_.Path()), std::set<std::string>{"m.csv.json"});

    // The counts files of merge are its inputs.
    const std::string counts = dir_.File("c.json");
    RunCli({"report", "suit", "Club", "--input", csv + ".json", "--save-counts", counts});
    ASSERT_TRUE(fs::exists(counts));
    const std::string saved = ReadFileBytes(counts);
    for (const std::string& output : {counts, dir_.File("c")}) {
        ExpectUsageError({"merge", counts, "map", "--format", "csv", "--output", output},
                         "names the same file as the counts file '" + counts + "'");
    }
    EXPECT_EQ(ReadFileBytes(counts), saved);

    // Devices are no files to lose.
    const CliResult r = RunCli({"map", "--input", csv + ".json", "--format", "json", "--output",
                                "/dev/null", "--save-counts", "/dev/null"});
    EXPECT_EQ(r.status, 0) << r.err;
}

}  // namespace
}  // namespace brevane
