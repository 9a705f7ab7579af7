// The progress line over rows read from a large file, long enough to be drawn part-way.
#include <gtest/gtest.h>

#include <string>

#include "support/CliRunner.h"
#include "support/TerminalRunner.h"

namespace brevane {
namespace {

using test::CliResult;
using test::RunShell;
using test::RunShellOnTerminal;

// Rows read from a regular file, named or as standard input, have no total, but the file's size
// gives the time left. Two million rows take `test` on one thread well over the tenth of a
// second before the first drawing.
TEST(ProgressLineSlow, RowsReadFromAFileShowTheTimeLeft) {
    const std::string make =
        "\"$CLI\" shuffle 2000000 --quiet --key " + std::string(64, '3') + " > rows.txt; ";
    for (const std::string input :
         {"--threads 1 --input rows.txt", "--threads 2 --input rows.txt", "--input - < rows.txt"}) {
        const std::string script = "cd \"$(mktemp -d)\" && " + make + "\"$CLI\" test " + input +
                                   "; s=$?; rm rows.txt; exit $s";
        const CliResult plain = RunShell(script);
        const CliResult shown = RunShellOnTerminal(script);
        EXPECT_EQ(shown.status, plain.status) << input << shown.err;
        EXPECT_EQ(shown.out, plain.out) << input;
        ASSERT_TRUE(shown.err.starts_with("\rtest: ")) << input << shown.err;
        EXPECT_TRUE(shown.err.ends_with("\r\033[K")) << shown.err;
        EXPECT_EQ(shown.err.find(" of "), std::string::npos) << shown.err;
        EXPECT_NE(shown.err.find(" rows/s  ETA "), std::string::npos) << input << shown.err;
    }
}

}  // namespace
}  // namespace brevane
