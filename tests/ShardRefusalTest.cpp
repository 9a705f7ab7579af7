// What `merge` and --first-row refuse: parts that overlap or repeat, totals past 2^63 - 1, rows
// past the last row index, and counts files that are not sound; always with status 2 and a
// message naming the file.

#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "AnalysisCliHelpers.h"
#include "stats/CountsFile.h"

namespace brevane::test {
namespace {

constexpr std::size_t Rows = 1500;
const std::string LastRowIndex = std::to_string(MaxRowIndex);

std::vector<std::string> Plus(std::vector<std::string> args, const std::vector<std::string>& more) {
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

// Refused with status 2 and exactly `message` on standard error, nothing on standard output.
void ExpectRefusal(const CliResult& r, const std::string& message) {
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "brevane-cli: " + message + "\n");
}

class ShardRefusal : public AnalysisCliTest<Rows> {
  protected:
    // Rows [begin, end) of the list as an export file.
    std::string Part(const std::string& name, std::size_t begin, std::size_t end) {
        const std::string path = dir_.File(name);
        WriteFileBytes(path, ReadFileBytes(path_).substr(begin * ExportLineBytes,
                                                         (end - begin) * ExportLineBytes));
        return path;
    }

    // The counts of `rows` (options giving the rows), saved by a report.
    std::string Saved(const std::string& name, const std::vector<std::string>& rows) {
        const std::string path = dir_.File(name);
        const CliResult r =
            RunCli(Plus(Plus({"report", "categories"}, rows), {"--save-counts", path}));
        EXPECT_EQ(r.status, 0) << r.err;
        return path;
    }
};

// Rows 0-999 and 500-1499 of one file, each saved with its --first-row, once merged into 2000
// shuffles.
TEST_F(ShardRefusal, OverlappingPartsOfAFileNameBothFiles) {
    const std::string a = Saved("a.json", {"--input", Part("a.txt", 0, 1000), "--first-row", "0"});
    const std::string b =
        Saved("b.json", {"--input", Part("b.txt", 500, 1500), "--first-row", "500"});
    ExpectRefusal(RunCli({"merge", b, a, "test"}),
                  "merge: " + a + " and " + b +
                      " hold overlapping parts of one list (rows 0 to 999 and 500 to 1499)");
    // Parts that meet end to end still make the whole.
    const std::string c =
        Saved("c.json", {"--input", Part("c.txt", 1000, 1500), "--first-row", "1000"});
    const CliResult merged = RunCli({"merge", c, a, "report", "categories"});
    EXPECT_EQ(merged.out, RunOnFile("report", {"categories"}).out);
}

// One file saved with CR LF and with LF line ends: two digests, the same rows, once merged into
// 3000 shuffles.
TEST_F(ShardRefusal, OneFileInTwoLineEndsIsOnePart) {
    std::string lf = ReadFileBytes(path_);
    for (std::size_t at; (at = lf.find("\r\n")) != std::string::npos;) lf.erase(at, 1);
    const std::string lfPath = dir_.File("lf.txt");
    WriteFileBytes(lfPath, lf);
    const std::string crlf = Saved("crlf.json", {"--input", path_});
    const std::string plain = Saved("lf.json", {"--input", lfPath});
    EXPECT_NE(ParseCountsFile(ReadFileBytes(crlf)).source["sha256"],
              ParseCountsFile(ReadFileBytes(plain)).source["sha256"]);
    ExpectRefusal(RunCli({"merge", crlf, plain, "test"}),
                  "merge: " + crlf + " and " + plain +
                      " hold the same rows (equal counts, first and last rows)");
}

// One key with two models makes other lists of rows, which merge; rows from a new deck are
// compared with the new deck, which the others are not, so they do not merge with them.
TEST_F(ShardRefusal, OneKeyWithTwoModelsMerges) {
    const std::vector<std::string> rows = {"--shuffles", "300", "--key", CountingKeyHex};
    const std::string fy = Saved("fy.json", rows);
    const std::string naive = Saved("naive.json", Plus(rows, {"--model", "naive-swap"}));
    const std::string fresh = Saved("fresh.json", Plus(rows, {"--from-new-deck"}));
    const CliResult r = RunCli({"merge", fy, naive, "report", "categories"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Shuffles: 600\n"), std::string::npos) << r.out;
    ExpectRefusal(RunCli({"merge", fy, naive, fresh, "report", "categories"}),
                  "merge: " + fy + " and " + fresh + " do not merge: the rows of " + fresh +
                      " are declared to come from a new deck, those of " + fy + " are not");
    ExpectRefusal(RunCli({"merge", fy, Saved("fy2.json", rows), "test"}),
                  "merge: " + fy + " and " + dir_.File("fy2.json") +
                      " hold the same rows (made with one key and model)");
}

// Three one-row shards hold no pair of rows: no moves map, as for one run of one row.
TEST_F(ShardRefusal, MovesMapWithoutPairsIsRefusedAsForOneRow) {
    std::vector<std::string> args = {"merge"};
    for (const char digit : {'1', '2', '3'}) {
        args.push_back(Saved(std::string("one") + digit + ".json",
                             {"--shuffles", "1", "--key", std::string(64, digit)}));
    }
    const std::string svg = dir_.File("moves.svg");
    const CliResult one = RunCli(
        {"map", "--view", "moves", "--shuffles", "1", "--key", CountingKeyHex, "--output", svg});
    ASSERT_EQ(one.status, 2);
    const CliResult merged = RunCli(Plus(args, {"map", "--view", "moves", "--output", svg}));
    EXPECT_EQ(merged.status, 2);
    EXPECT_EQ(merged.err, one.err);
    EXPECT_NE(merged.err.find("needs at least two shuffles"), std::string::npos);
    EXPECT_EQ(FolderEntries(dir_.Path()).count("moves.svg"), 0u);
    EXPECT_EQ(RunCli(Plus(args, {"map", "--format", "csv"})).status, 0);
}

// Files no counts file is, however hostile: each named with what is wrong, status 2.
TEST_F(ShardRefusal, HostileCountsFilesAreRefusedWithAReason) {
    const std::string good = ReadFileBytes(Saved("good.json", {"--input", path_}));
    const auto refused = [&](const std::string& name, const std::string& text,
                             const std::string& why) {
        const std::string path = dir_.File(name);
        WriteFileBytes(path, text);
        ExpectRefusal(RunCli({"merge", path, "test"}), "merge: " + path + ": " + why);
    };
    refused("deep.json",
            "{\"a\":" + std::string(100000, '[') + std::string(100000, ']') + ",\"b\":1}\n",
            "nested more than 8 levels deep");
    refused("huge-number.json", "[1e400]\n", "a number too large (at byte 6)");
    refused("nul.json", good + '\0',
            "not valid JSON (a NUL byte at byte " + std::to_string(good.size() + 1) + ")");
    // A file of 1 GiB (sparse), a device and a pipe that never end: read no further than the
    // limit.
    const std::string large = dir_.File("large.json");
    WriteFileBytes(large, good);
    std::filesystem::resize_file(large, std::uintmax_t{1} << 30);
    for (const std::string& path : {large, std::string("/dev/zero")}) {
        ExpectRefusal(RunCli({"merge", path, "test"}),
                      "merge: " + path + ": larger than 16 MiB, more than a counts file holds");
    }
    ExpectRefusal(RunShell("cat /dev/zero | \"$CLI\" merge - test"),
                  "merge: -: larger than 16 MiB, more than a counts file holds");
    ExpectRefusal(RunCli({"merge", "-", "test"}, "{\"a\":1,\"a\":2}"),
                  "merge: -: duplicate key \"a\"");
}

// --first-row with the rows of --input past 2^63 - 1 is refused on one thread and on two, as
// with --shuffles; up to it both count alike. The file spans several pieces of parallel
// counting, so that pieces start near the end.
TEST_F(ShardRefusal, FirstRowAndInputRowsPastTheLastRowIndex) {
    std::string many;
    for (int k = 0; k < 20; ++k) many += ReadFileBytes(path_);
    const std::string big = dir_.File("big.txt");
    WriteFileBytes(big, many);
    const std::size_t rows = 20 * Rows;
    const auto report = [&](std::uint64_t firstRow, const char* threads) {
        return RunCli({"report", "categories", "--rotate", "--seat", "D-3", "--input", big,
                       "--first-row", std::to_string(firstRow), "--threads", threads});
    };
    // The last rows up to 2^63 - 1: ten players, so the seat stands as at row 7.
    const std::uint64_t fits = MaxRowIndex - rows;
    ASSERT_EQ(fits % 10, 7u);
    const CliResult atSeven = report(7, "1");
    ASSERT_EQ(atSeven.status, 0) << atSeven.err;
    EXPECT_EQ(report(fits, "1").out, atSeven.out);
    EXPECT_EQ(report(fits, "2").out, atSeven.out);
    const std::string past =
        "--first-row and the 30000 rows of --input reach past the last row "
        "index";
    for (const char* threads : {"1", "2"}) {
        ExpectRefusal(report(fits + 1, threads), "report: " + past);
        // Pieces counted on other threads started past 2^63 - 1 and placed the seat otherwise.
        ExpectRefusal(report(MaxRowIndex - 1000, threads), "report: " + past);
        ExpectRefusal(RunCli({"test", "--input", big, "--first-row", std::to_string(fits + 1),
                              "--threads", threads}),
                      "test: " + past);
    }
    ExpectRefusal(RunCli({"hands", "--input", path_, "--first-row", LastRowIndex}),
                  "hands: --first-row and the 1500 rows of --input reach past the last row index");
    // --shuffles: the same bound, known before any row is made.
    EXPECT_EQ(RunCli({"report", "categories", "--shuffles", "2", "--first-row",
                      std::to_string(MaxRowIndex - 2)})
                  .status,
              0);
    ExpectRefusal(RunCli({"report", "categories", "--shuffles", "1", "--first-row", LastRowIndex}),
                  "report: --first-row and --shuffles reach past the last row index");
    ExpectRefusal(RunCli({"report", "categories", "--shuffles", std::to_string(MaxRowIndex + 1)}),
                  "report: --shuffles reaches past the last row index");
}

}  // namespace
}  // namespace brevane::test
