#pragma once

// Helpers shared by the tests of the `report` and `hands` commands.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "AnalysisReference.h"
#include "analysis/Export.h"
#include "support/CliRunner.h"
#include "support/ReferenceShuffle.h"

namespace brevane::test {

// The list in the export format.
inline std::string ExportText(const ShuffleList& list) {
    std::string text;
    char line[ExportLineBytes];
    for (std::size_t r = 0; r < list.Count(); ++r) {
        FormatExportLine(list.Row(r), line);
        text.append(line, ExportLineBytes);
    }
    return text;
}

inline std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) text += line + "\n";
    return text;
}

// A fixture with `Rows` shuffles made with the counting key, stored as an export file. The
// commands take the decimal separator from the locale; the tests pin it to ".".
template <std::size_t Rows>
class AnalysisCliTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("LC_ALL", "C", 1);
        list_ = reference::ShuffledList(Rows);
        path_ = dir_.File("rows.txt");
        WriteFileBytes(path_, ExportText(list_));
    }

    // Runs `command` with `args` on the stored file.
    CliResult RunOnFile(const std::string& command, std::vector<std::string> args) {
        args.insert(args.begin(), command);
        args.insert(args.end(), {"--input", path_});
        return RunCli(args);
    }

    TempDir dir_;
    ShuffleList list_;
    std::string path_;
};

// A usage error: status 2, one line on standard error naming `named`, nothing on standard output.
inline void ExpectUsageError(const std::vector<std::string>& args, const std::string& named) {
    const CliResult r = RunCli(args);
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find(named), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "one line: " << r.err;
}

// Bad input: status 2, exactly `message` and a line end on standard error, nothing on standard
// output.
inline void ExpectBadInput(const std::vector<std::string>& args, const std::string& input,
                           const std::string& message) {
    const CliResult r = RunCli(args, input);
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, message + "\n");
}

// Runs `args` twice over the 300 rows that `shuffle` writes with the counting key and the
// model options `model`: once reading them with --input -, once making them with --shuffles
// and the same options. Both must print the same, with the same status, which is returned.
inline int ExpectModelRowsAsShuffled(const std::vector<std::string>& args,
                                     const std::vector<std::string>& model) {
    std::vector<std::string> make = {"shuffle", "300", "--key", CountingKeyHex};
    make.insert(make.end(), model.begin(), model.end());
    const CliResult rows = RunCli(make);
    EXPECT_EQ(rows.status, 0) << rows.err;
    std::vector<std::string> read = args;
    read.insert(read.end(), {"--input", "-"});
    const CliResult fromFile = RunCli(read, rows.out);
    std::vector<std::string> generated = args;
    generated.insert(generated.end(), {"--shuffles", "300", "--key", CountingKeyHex});
    generated.insert(generated.end(), model.begin(), model.end());
    const CliResult made = RunCli(generated);
    EXPECT_EQ(made.status, fromFile.status) << made.err;
    EXPECT_EQ(made.out, fromFile.out) << args[0] << " " << model[0];
    EXPECT_NE(made.out, "");
    return made.status;
}

}  // namespace brevane::test
