// --threads and --quiet of the commands over rows: the output is the same for every thread
// count, whether the rows are generated (made on a thread of their own from two threads on)
// or read.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/CliRunner.h"

namespace brevane {
namespace {

using test::CliResult;
using test::RunCli;

const std::string Key(64, 'a');

std::vector<std::string> With(std::vector<std::string> args, std::vector<std::string> more) {
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

// Commands over 300,000 generated rows, more than a few batches of the row maker, ending
// inside one.
const std::vector<std::vector<std::string>>& GeneratedCommands() {
    static const std::vector<std::vector<std::string>> commands = {
        {"report", "categories", "--shuffles", "300001", "--key", Key},
        {"report", "categories", "--rotate", "--players", "7", "--shuffles", "300001", "--key",
         Key},
        {"report", "card", "Qh", "--shuffles", "300001", "--key", Key, "--model", "riffle:2"},
        {"test", "--shuffles", "300001", "--key", Key, "--format", "json"},
        {"map", "--view", "moves", "--format", "csv", "--shuffles", "300001", "--key", Key},
        {"hands", "--class", "Four of a Kind", "--shuffles", "300001", "--key", Key},
    };
    return commands;
}

TEST(ThreadsOption, OneAndTwoThreadsGiveTheSameBytes) {
    for (const auto& args : GeneratedCommands()) {
        const CliResult one = RunCli(With(args, {"--threads", "1"}));
        const CliResult two = RunCli(With(args, {"--threads=2"}));
        const CliResult many = RunCli(With(args, {"--threads", "7", "--quiet"}));
        const CliResult byDefault = RunCli(args);
        EXPECT_EQ(one.err, "") << args[0];
        EXPECT_FALSE(one.out.empty()) << args[0];
        EXPECT_EQ(one.status, byDefault.status) << args[0];
        EXPECT_EQ(two.out, one.out) << args[0] << " " << args[1];
        EXPECT_EQ(many.out, one.out) << args[0] << " " << args[1];
        EXPECT_EQ(byDefault.out, one.out) << args[0] << " " << args[1];
    }
}

TEST(ThreadsOption, ReadRowsGiveTheSameBytesOnEveryThreadCount) {
    test::TempDir dir;
    const std::string rows = dir.File("rows.txt");
    ASSERT_EQ(RunCli({"shuffle", "20000", "--key", Key, "--output", rows}).status, 0);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"report", "suit", "Heart"},
          {"test", "--format", "json"},
          {"map", "--format", "csv"}}) {
        const CliResult one = RunCli(With(args, {"--input", rows, "--threads", "1"}));
        const CliResult two = RunCli(With(args, {"--input", rows, "--threads", "2"}));
        EXPECT_EQ(one.err, "") << args[0];
        EXPECT_FALSE(one.out.empty()) << args[0];
        EXPECT_EQ(two.out, one.out) << args[0];
    }
}

// Files of several pieces for the counting threads, with a fault in a later piece: the fault is
// reported exactly as one pass reports it, and nothing reaches standard output.
TEST(ThreadsOption, AFaultInAnyPieceIsReportedAsInOnePass) {
    test::TempDir dir;
    const std::string good = dir.File("good.txt");
    ASSERT_EQ(RunCli({"shuffle", "60000", "--key", Key, "--output", good}).status, 0);
    const std::string text = test::ReadFileBytes(good);
    const std::size_t line45000 = 44999 * 157;
    const std::string faults[] = {
        text.substr(0, line45000) + "\r\n" + text.substr(line45000),
        text.substr(0, line45000) + std::string(5 << 20, 'Q') + text.substr(line45000),
        text.substr(0, line45000 + 4) + "x" + text.substr(line45000 + 5),
        text + "2c",
    };
    const std::string bad = dir.File("bad.txt");
    for (const std::string& fault : faults) {
        test::WriteFileBytes(bad, fault);
        for (const std::vector<std::string>& args :
             {std::vector<std::string>{"report", "categories"},
              {"test"},
              {"map", "--format", "csv"}}) {
            const CliResult one = RunCli(With(args, {"--input", bad, "--threads", "1"}));
            const CliResult two = RunCli(With(args, {"--input", bad, "--threads", "2"}));
            EXPECT_EQ(one.status, 2) << args[0];
            EXPECT_NE(one.err.find(bad + ":"), std::string::npos) << one.err;
            EXPECT_EQ(two.status, 2);
            EXPECT_EQ(two.err, one.err);
            EXPECT_EQ(two.out, "");
        }
    }
    const CliResult one = RunCli({"report", "categories", "--input", good, "--threads", "1"});
    const CliResult two = RunCli({"report", "categories", "--input", good, "--threads", "2"});
    EXPECT_EQ(one.status, 0);
    EXPECT_EQ(two.out, one.out);
}

// A file whose lines do not all end alike is counted as its rows are, on every thread count.
TEST(ThreadsOption, MixedLineEndsCountAsTheSameRows) {
    test::TempDir dir;
    const std::string good = dir.File("good.txt");
    ASSERT_EQ(RunCli({"shuffle", "60000", "--key", Key, "--output", good}).status, 0);
    std::string text = test::ReadFileBytes(good);
    const std::size_t line45000 = 44999 * 157;
    text.erase(line45000 + 155, 1);  // that line ends in LF alone
    const std::string mixed = dir.File("mixed.txt");
    test::WriteFileBytes(mixed, text);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"report", "categories", "--rotate", "--players", "7"},
          {"test", "--format", "csv"}}) {  // the CSV names no source, which differs here
        const CliResult expected = RunCli(With(args, {"--input", good, "--threads", "1"}));
        ASSERT_EQ(expected.status, 0) << expected.err;
        for (const char* threads : {"1", "2"}) {
            const CliResult r = RunCli(With(args, {"--input", mixed, "--threads", threads}));
            EXPECT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(r.out, expected.out) << args[0] << " --threads " << threads;
        }
    }
}

// Generated rows end the same way as read ones when the maker runs ahead: hands stops at its
// limit, and the rows before it are those of one thread.
TEST(ThreadsOption, HandsStopsAtItsLimitWithTheMakerAhead) {
    const std::vector<std::string> args = {"hands", "--shuffles", "1000000", "--key",
                                           Key,     "--limit",    "5000"};
    const CliResult one = RunCli(With(args, {"--threads", "1"}));
    const CliResult two = RunCli(With(args, {"--threads", "2"}));
    EXPECT_EQ(one.status, 0);
    EXPECT_EQ(two.status, 0);
    EXPECT_EQ(two.out, one.out);
}

TEST(ThreadsOption, ABadCountIsAUsageError) {
    for (const std::string bad :
         {"0", "-1", "x", "1025", "", "2.5", "01", "99999999999999999999"}) {
        for (const std::string command : {"report", "test", "map", "hands"}) {
            std::vector<std::string> args = {command};
            if (command == "report") args.push_back("categories");
            if (command == "map") args.insert(args.end(), {"--format", "csv"});
            args.insert(args.end(), {"--shuffles", "10", "--threads", bad});
            const CliResult r = RunCli(args);
            EXPECT_EQ(r.status, 2) << command << " " << bad;
            EXPECT_EQ(r.out, "");
            EXPECT_NE(r.err.find("invalid thread count '" + bad + "'"), std::string::npos) << r.err;
            EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "one line: " << r.err;
        }
    }
    const CliResult missing = RunCli({"report", "categories", "--shuffles", "10", "--threads"});
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("--threads needs a value"), std::string::npos) << missing.err;
}

TEST(QuietOption, EveryCommandTakesIt) {
    const std::vector<std::vector<std::string>> commands = {
        {"shuffle", "3", "--key", Key},
        {"keystream", "100", "--key", Key},
        {"report", "categories", "--shuffles", "3", "--key", Key},
        {"hands", "--shuffles", "3", "--key", Key},
        {"test", "--shuffles", "3", "--key", Key},
        {"map", "--format", "csv", "--shuffles", "3", "--key", Key},
    };
    for (const auto& args : commands) {
        const CliResult plain = RunCli(args);
        const CliResult quiet = RunCli(With(args, {"--quiet"}));
        EXPECT_EQ(quiet.status, plain.status) << args[0] << quiet.err;
        EXPECT_EQ(quiet.err, plain.err) << args[0];
        EXPECT_EQ(quiet.out, plain.out) << args[0];
    }
}

}  // namespace
}  // namespace brevane
