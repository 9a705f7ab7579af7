// The progress line of the command line, seen through a pseudo-terminal on standard error.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/CliRunner.h"
#include "support/TerminalRunner.h"

namespace brevane {
namespace {

using test::CliResult;
using test::RunShell;
using test::RunShellOnTerminal;

const std::string Key(64, '3');
constexpr const char* Erase = "\r\033[K";

// Commands that run long enough to be drawn (the first drawing waits 0.1 s): the streaming
// ones write into a pipe whose reader waits before reading; the others count two million rows.
struct Case {
    std::string name;
    std::string command;  // the arguments after $CLI, without --quiet
    std::string total;    // as the line shows it
    std::string unit;
};

const std::vector<Case>& Cases() {
    static const std::vector<Case> cases = {
        {"shuffle", "shuffle 200000 --key " + Key, "200,000", "rows"},
        {"keystream", "keystream 30000000 --key " + Key, "30,000,000", "bytes"},
        {"report", "report categories --shuffles 2000000 --key " + Key, "2,000,000", "rows"},
        {"hands", "hands --class 'Royal Flush' --shuffles 2000000 --key " + Key, "2,000,000",
         "rows"},
        {"test", "test --shuffles 2000000 --key " + Key, "2,000,000", "rows"},
        {"map", "map --format csv --shuffles 2000000 --key " + Key, "2,000,000", "rows"},
    };
    return cases;
}

// The script: the command, its standard output digested after a pause.
std::string Script(const Case& c, const std::string& extra = "") {
    return "\"$CLI\" " + c.command + extra + " | (sleep 0.4; md5sum)";
}

TEST(ProgressLine, EveryLongCommandDrawsAndErasesItsLineOnATerminal) {
    for (const Case& c : Cases()) {
        const CliResult plain = RunShell(Script(c));
        const CliResult shown = RunShellOnTerminal(Script(c));
        EXPECT_EQ(plain.err, "") << c.name;
        EXPECT_EQ(shown.status, 0) << c.name << shown.err;
        EXPECT_EQ(shown.out, plain.out) << c.name << ": standard output changed";
        ASSERT_TRUE(shown.err.starts_with("\r" + c.name + ": ")) << c.name << shown.err;
        EXPECT_TRUE(shown.err.ends_with(Erase)) << c.name << ": not erased: " << shown.err;
        EXPECT_NE(shown.err.find(" of " + c.total + " " + c.unit), std::string::npos) << shown.err;
        EXPECT_NE(shown.err.find(" " + c.unit + "/s"), std::string::npos) << shown.err;
        EXPECT_NE(shown.err.find("ETA "), std::string::npos) << shown.err;
        EXPECT_EQ(shown.err.find('\n'), std::string::npos) << "one line: " << shown.err;
    }
}

TEST(ProgressLine, QuietShowsNothingAndChangesNothing) {
    for (const Case& c : Cases()) {
        const CliResult plain = RunShell(Script(c));
        const CliResult quiet = RunShellOnTerminal(Script(c, " --quiet"));
        EXPECT_EQ(quiet.status, 0) << c.name;
        EXPECT_EQ(quiet.err, "") << c.name;
        EXPECT_EQ(quiet.out, plain.out) << c.name;
    }
}

TEST(ProgressLine, StandardErrorThatIsNoTerminalGetsNothing) {
    for (const Case& c : Cases()) {
        const CliResult r = RunShell("\"$CLI\" " + c.command + " 2>&1 >/dev/null | wc -c");
        EXPECT_EQ(r.out, "0\n") << c.name;
    }
}

// Rows read slowly from standard input: the line has no total and no time left, and is erased
// before the bad line is reported.
TEST(ProgressLine, ReadRowsHaveNoTotalAndABadLineFollowsTheErasedLine) {
    const std::string script =
        "\"$CLI\" shuffle 300 --key " + Key + " > rows.txt; " +
        "(cat rows.txt; sleep 0.4; cat rows.txt; echo 2c 2c) | \"$CLI\" report categories "
        "--input -";
    const CliResult r = RunShellOnTerminal("cd \"$(mktemp -d)\" && " + script);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    const std::string message = "-:601: expected 52 cards, found 2\n";
    ASSERT_TRUE(r.err.ends_with(message)) << r.err;
    const std::string line = r.err.substr(0, r.err.size() - message.size());
    EXPECT_TRUE(line.starts_with("\rreport: ")) << line;
    EXPECT_TRUE(line.ends_with(Erase)) << line;
    EXPECT_EQ(line.find(" of "), std::string::npos) << line;
    EXPECT_EQ(line.find("ETA"), std::string::npos) << line;
}

}  // namespace
}  // namespace brevane
