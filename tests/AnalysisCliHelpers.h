#pragma once

// Helpers shared by the tests of the `report` and `hands` commands.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <sstream>
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

// `args` followed by `more`.
inline std::vector<std::string> Plus(std::vector<std::string> args,
                                     const std::vector<std::string>& more) {
    args.insert(args.end(), more.begin(), more.end());
    return args;
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

// The SHA-256 of a file in hexadecimal, as coreutils' sha256sum gives it.
inline std::string Sha256SumOf(const std::string& path) {
    const CliResult r = RunShell("sha256sum '" + path + "'");
    EXPECT_EQ(r.status, 0) << r.err;
    return r.out.substr(0, 64);
}

// A JSON result without its "source", for comparing results over the same rows read from
// different sources.
inline nlohmann::ordered_json WithoutSource(const std::string& text) {
    nlohmann::ordered_json json = nlohmann::ordered_json::parse(text);
    json.erase("source");
    return json;
}

// The first line of `text` that starts with `start`; empty when none does.
inline std::string LineOf(const std::string& text, const std::string& start) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.starts_with(start)) return line;
    }
    return "";
}

// A text result without the lines that name its source (the "Source:" line and the lines of a
// merge's shards below it).
inline std::string WithoutSourceLines(const std::string& text) {
    const std::size_t from = text.find("\nSource: ");
    const std::size_t to = text.find("\nShuffles: ");
    if (from == std::string::npos || to == std::string::npos || to < from) return text;
    return text.substr(0, from) + text.substr(to);
}

// Runs `args` twice over the 300 rows that `shuffle` writes with the counting key and the
// model options `model`: once reading them with --input -, once making them with --shuffles
// and the same options; rows made from new decks are read declared so (--from-new-deck). Both
// must print the same, with the same status, which is returned. With
// `json`, the outputs are JSON results that differ only in their "source".
inline int ExpectModelRowsAsShuffled(const std::vector<std::string>& args,
                                     const std::vector<std::string>& model, bool json = false) {
    std::vector<std::string> make = {"shuffle", "300", "--key", CountingKeyHex};
    make.insert(make.end(), model.begin(), model.end());
    const CliResult rows = RunCli(make);
    EXPECT_EQ(rows.status, 0) << rows.err;
    std::vector<std::string> read = args;
    read.insert(read.end(), {"--input", "-"});
    if (std::find(model.begin(), model.end(), "--from-new-deck") != model.end())
        read.push_back("--from-new-deck");
    const CliResult fromFile = RunCli(read, rows.out);
    std::vector<std::string> generated = args;
    generated.insert(generated.end(), {"--shuffles", "300", "--key", CountingKeyHex});
    generated.insert(generated.end(), model.begin(), model.end());
    const CliResult made = RunCli(generated);
    EXPECT_EQ(made.status, fromFile.status) << made.err;
    if (json) {
        EXPECT_EQ(WithoutSource(made.out), WithoutSource(fromFile.out)) << args[0] << model[0];
        const auto source = nlohmann::json::parse(made.out)["source"];
        EXPECT_EQ(source["key"], CountingKeyHex);
        EXPECT_EQ(source["seed"], "key");
        EXPECT_EQ(nlohmann::json::parse(fromFile.out)["source"]["file"], "-");
        return made.status;
    }
    EXPECT_EQ(made.out, fromFile.out) << args[0] << " " << model[0];
    EXPECT_NE(made.out, "");
    return made.status;
}

}  // namespace brevane::test
