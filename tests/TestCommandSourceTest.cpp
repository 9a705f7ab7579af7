// The "Source:" line of `test`'s text: what was judged, enough to find or make the rows again.
// (tests/support/check_formats.py reads the CSV and the text against the JSON.)
#include <regex>

#include "AnalysisCliHelpers.h"

namespace brevane::test {
namespace {

class TestCommandSource : public AnalysisCliTest<400> {};

TEST_F(TestCommandSource, SourceLineNamesTheFileOrTheKey) {
    const std::string digest = Sha256SumOf(path_);
    const CliResult file = RunCli({"test", "--input", path_});
    EXPECT_EQ(file.out.substr(0, file.out.find("\nShuffles: ")),
              "Fairness tests\nSource: file " + path_ + ", SHA-256 " + digest);
    // Standard input is digested as it is read, on one thread as on two.
    for (const char* threads : {"1", "2"}) {
        const CliResult piped =
            RunCli({"test", "--input", "-", "--threads", threads}, ExportText(list_));
        EXPECT_EQ(LineOf(piped.out, "Source: "), "Source: standard input, SHA-256 " + digest);
        EXPECT_EQ(WithoutSourceLines(piped.out), WithoutSourceLines(file.out));
    }
    const CliResult made = RunCli({"test", "--shuffles", "400", "--key", CountingKeyHex});
    EXPECT_EQ(LineOf(made.out, "Source: "), "Source: model fisher-yates, key " + CountingKeyHex);
    EXPECT_EQ(WithoutSourceLines(made.out), WithoutSourceLines(file.out));
    const CliResult riffle = RunCli({"test", "--shuffles", "300", "--key", CountingKeyHex,
                                     "--model", "riffle:3", "--from-new-deck"});
    EXPECT_EQ(LineOf(riffle.out, "Source: "),
              "Source: model riffle:3, each shuffle from a new "
              "deck, key " +
                  CountingKeyHex);
    // A file name that would break the line is shown with '?' for its line end.
    const std::string odd = dir_.File("two\nlines.txt");
    WriteFileBytes(odd, ExportText(list_));
    EXPECT_EQ(LineOf(RunCli({"test", "--input", odd}).out, "Source: "),
              "Source: file " + dir_.File("two?lines.txt") + ", SHA-256 " + digest);
}

// A timer-seeded run prints the key it ran with, and that key makes the same rows again.
TEST_F(TestCommandSource, TheTimersKeyRepeatsTheRun) {
    const std::vector<std::string> run = {"test", "--shuffles", "300", "--model", "naive-swap"};
    const CliResult timed = RunCli(run);
    ASSERT_EQ(timed.err, "");
    std::smatch match;
    const std::string line = LineOf(timed.out, "Source: ");
    ASSERT_TRUE(std::regex_match(
        line, match,
        std::regex("Source: model naive-swap, key ([0-9a-f]{64}) \\(chosen by the timer\\)")))
        << line;
    const std::string key = match[1];
    const CliResult again = RunCli(Plus(run, {"--key", key}));
    EXPECT_EQ(again.status, timed.status);
    EXPECT_EQ(LineOf(again.out, "Source: "), "Source: model naive-swap, key " + key);
    EXPECT_EQ(WithoutSourceLines(again.out), WithoutSourceLines(timed.out));
    EXPECT_NE(timed.out.find("rising-sequences"), std::string::npos);
}

}  // namespace
}  // namespace brevane::test
