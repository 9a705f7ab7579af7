// What `test` prints besides its figures: the "Source:" line of the text, and the CSV, whose
// rows must hold the JSON's figures.
#include <charconv>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>

#include "AnalysisCliHelpers.h"

namespace brevane::test {
namespace {

// The rows of a CSV text whose fields hold no comma or quote, and whether every row ended in LF.
std::vector<std::vector<std::string>> CsvRows(const std::string& text, bool& everyRowEnded) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::vector<std::string> fields(1);
        for (const char c : line) {
            if (c == ',') {
                fields.emplace_back();
            } else {
                fields.back() += c;
            }
        }
        rows.push_back(fields);
    }
    everyRowEnded = !text.empty() && text.back() == '\n' && text.find('\r') == std::string::npos;
    return rows;
}

double Number(const std::string& text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    EXPECT_TRUE(error == std::errc() && end == text.data() + text.size()) << text;
    return value;
}

// The CSV of `args` holds, test by test, the JSON's figures bit for bit, and both exit alike.
void ExpectCsvAsJson(const std::vector<std::string>& args) {
    const CliResult csv = RunCli(Plus(args, {"--format", "csv"}));
    const CliResult json = RunCli(Plus(args, {"--format", "json"}));
    EXPECT_EQ(csv.status, json.status) << csv.err;
    EXPECT_EQ(csv.err, "");
    bool ended = false;
    const auto rows = CsvRows(csv.out, ended);
    EXPECT_TRUE(ended);
    const nlohmann::json result = nlohmann::json::parse(json.out);
    const nlohmann::json& tests = result["tests"];
    ASSERT_EQ(rows.size(), tests.size() + 2) << csv.out;
    EXPECT_EQ(rows.front(), (std::vector<std::string>{"name", "statistic", "df", "p", "verdict"}));
    for (std::size_t i = 0; i < tests.size(); ++i) {
        const auto& row = rows[i + 1];
        const nlohmann::json& t = tests[i];
        ASSERT_EQ(row.size(), 5u) << csv.out;
        EXPECT_EQ(row[0], t["name"]);
        EXPECT_EQ(row[4], t["verdict"]);
        if (t["statistic"].is_null()) {
            EXPECT_EQ(row[1] + row[2] + row[3], "") << row[0];
            continue;
        }
        EXPECT_EQ(Number(row[1]), t["statistic"].get<double>()) << row[0];
        EXPECT_EQ(std::stoi(row[2]), t["df"].get<int>()) << row[0];
        EXPECT_EQ(Number(row[3]), t["p"].get<double>()) << row[0];
    }
    EXPECT_EQ(rows.back(), (std::vector<std::string>{"overall", "", "", "",
                                                     result["verdict"].get<std::string>()}));
}

class TestCommandOutput : public AnalysisCliTest<400> {};

TEST_F(TestCommandOutput, CsvRowsHoldTheJsonFigures) {
    ExpectCsvAsJson({"test", "--input", path_, "--stage", "turn", "--alpha", "0.2"});
    ExpectCsvAsJson({"test", "--shuffles", "100", "--key", CountingKeyHex});  // not all ran
    ExpectCsvAsJson(
        {"test", "--shuffles", "3000", "--model", "naive-swap", "--key", CountingKeyHex});  // fails
    // Rows from standard input give the same rows of figures.
    const CliResult piped = RunCli({"test", "--input", "-", "--format", "csv"}, ExportText(list_));
    EXPECT_EQ(piped.out, RunCli({"test", "--input", path_, "--format", "csv"}).out);
}

TEST_F(TestCommandOutput, SourceLineNamesTheFileOrTheKey) {
    const std::string digest = Sha256SumOf(path_);
    const CliResult file = RunCli({"test", "--input", path_});
    EXPECT_EQ(LineOf(file.out, "Source: "), "Source: file " + path_ + ", SHA-256 " + digest);
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
TEST_F(TestCommandOutput, TheTimersKeyRepeatsTheRun) {
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
