// Behaviour that every command of brevane-cli shares: help output, error lines, "--".
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/CliRunner.h"
#include "support/ReferenceShuffle.h"

namespace brevane {
namespace {

using test::CliResult;
using test::CountingKeyHex;
using test::RunCli;
using test::TempDir;

const std::vector<std::vector<std::string>> HelpCalls = {
    {"--help"},         {"-h"},           {"help"},           {"--version"}, {"shuffle", "--help"},
    {"eval", "--help"}, {"report", "-h"}, {"hands", "--help"}};

std::string ShellWords(const std::vector<std::string>& args) {
    std::string words = "\"$CLI\"";
    for (const std::string& arg : args) words += " " + arg;
    return words;
}

TEST(CliSupportTest, HelpAndVersionReportAFailedWrite) {
    for (const auto& args : HelpCalls) {
        const CliResult full = test::RunShell(ShellWords(args) + " > /dev/full");
        EXPECT_EQ(full.status, 1) << ShellWords(args);
        EXPECT_EQ(full.err, "brevane-cli: standard output: No space left on device\n");

        const CliResult fine = RunCli(args);
        EXPECT_EQ(fine.status, 0) << ShellWords(args);
        EXPECT_NE(fine.out, "");
        // A reader that has gone away is no error, as for any other output.
        test::CliSetup gone;
        gone.stdoutReaderGone = true;
        const CliResult quiet = RunCli(args, {}, gone);
        EXPECT_EQ(quiet.status, 0) << ShellWords(args);
        EXPECT_EQ(quiet.err, "");
    }
}

// One line on standard error, with nothing below the space but its line end.
void ExpectOneCleanLine(const std::vector<std::string>& args, const std::string& shown,
                        const std::string& input = {}) {
    const CliResult r = RunCli(args, input);
    EXPECT_NE(r.status, 0) << shown;
    ASSERT_FALSE(r.err.empty()) << shown;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    for (std::size_t k = 0; k + 1 < r.err.size(); ++k) {
        const auto c = static_cast<unsigned char>(r.err[k]);
        EXPECT_TRUE(c >= 0x20 && c != 0x7F) << "control byte " << int(c) << " in " << r.err;
    }
    EXPECT_NE(r.err.find(shown), std::string::npos) << r.err;
}

TEST(CliSupportTest, ControlCharactersInArgumentsAreShownAsMarks) {
    TempDir dir;
    ExpectOneCleanLine({"shuffle", "3\n4"}, "'3?4'");
    ExpectOneCleanLine({"shuffle", "3", "--key", "ab\ncd"}, "'ab?cd'");
    ExpectOneCleanLine({"shuffle", "3", "--bad\roption"}, "'--bad?option'");
    ExpectOneCleanLine({"shuffle", "3", "--output", dir.File("a\nb/c.txt")}, "a?b/c.txt: No such");
    ExpectOneCleanLine({"no\ncommand"}, "'no?command'");
    ExpectOneCleanLine({"eval", "Ah", "\x1B[2J"}, "'?[2J'");
    ExpectOneCleanLine({"report", "card", "\x1B[31mX", "--shuffles", "3"}, "'?[31mX'");
    ExpectOneCleanLine({"report", "rank", "T", "--input", dir.File("no\nfile")}, "no?file");
    ExpectOneCleanLine({"hands", "--shuffles", "3", "--class", "Pair\n+"}, "'Pair?+'");
    ExpectOneCleanLine({"hands", "--shuffles", "3", "--seat", "D-\x7F"}, "'D-?'");
    // Text read from the input is shown the same way.
    ExpectOneCleanLine({"report", "rank", "T", "--input", "-"}, "-:1:", "\x1B]0;title\x07 2c\n");
}

TEST(CliSupportTest, DoubleDashEndsTheOptionsInEveryCommand) {
    EXPECT_EQ(RunCli({"eval", "--", "Ah", "Kh"}).out, RunCli({"eval", "Ah", "Kh"}).out);
    EXPECT_EQ(RunCli({"eval", "--", "-"}, "Ah Kd\n").out, "0x1ED000 High Card Ace\n");
    EXPECT_EQ(RunCli({"eval", "--", "--help"}).status, 2);

    const std::vector<std::string> source = {"--shuffles", "40", "--key", CountingKeyHex};
    std::vector<std::string> dashed = {"report"};
    dashed.insert(dashed.end(), source.begin(), source.end());
    dashed.insert(dashed.end(), {"--", "rank", "T"});
    std::vector<std::string> plain = {"report", "rank", "T"};
    plain.insert(plain.end(), source.begin(), source.end());
    const CliResult report = RunCli(dashed);
    EXPECT_EQ(report.status, 0) << report.err;
    EXPECT_EQ(report.out, RunCli(plain).out);
    const CliResult option = RunCli({"report", "--shuffles", "3", "--", "rank", "--players"});
    EXPECT_EQ(option.status, 2);
    EXPECT_NE(option.err.find("unknown rank '--players'"), std::string::npos) << option.err;

    const CliResult hands = RunCli({"hands", "--shuffles", "3", "--", "--help"});
    EXPECT_EQ(hands.status, 2);
    EXPECT_EQ(hands.out, "");
    EXPECT_NE(hands.err.find("unexpected argument '--help'"), std::string::npos) << hands.err;
}

}  // namespace
}  // namespace brevane
