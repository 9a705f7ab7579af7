#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "AnalysisCliHelpers.h"
#include "stats/FairnessReport.h"
#include "stats/FairnessSummary.h"

namespace brevane {
namespace {

using test::CliResult;
using test::LineOf;
using test::Plus;
using test::RunCli;
using test::WithoutSourceLines;

class TestCommandTest : public test::AnalysisCliTest<400> {
  protected:
    CliResult Test(std::vector<std::string> args) { return RunOnFile("test", std::move(args)); }

    FairnessResult Expected(std::int32_t n, std::int32_t seat, std::int32_t stage,
                            double alpha = DefaultAlpha) const {
        return RunFairnessTests(CountShuffleList(list_, SeatView{n, seat, StageAt(stage)}), alpha);
    }
};

// The one object, its keys, and its numbers at full precision.
TEST_F(TestCommandTest, JsonHasTheShapeAndTheCoreNumbers) {
    const CliResult r = Test(
        {"--format", "json", "--players", "6", "--seat", "D-2", "--rotate", "--stage", "flop"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const nlohmann::json json = nlohmann::json::parse(r.out);
    ASSERT_TRUE(json.is_object());
    EXPECT_EQ(json.size(), 7u);
    EXPECT_EQ(json["program"], "brevane-cli " BREVANE_VERSION);
    EXPECT_EQ(json["source"]["file"], path_);
    EXPECT_EQ(json["source"]["sha256"], test::Sha256SumOf(path_));
    EXPECT_EQ(json["shuffles"], 400);
    EXPECT_EQ(json["alpha"], 0.01);
    EXPECT_EQ(json["verdict"], "pass");
    const FairnessResult want = Expected(6, 8, 1);
    EXPECT_EQ(json["summary"], FairnessSummary(want));
    ASSERT_TRUE(json["tests"].is_array());
    ASSERT_EQ(json["tests"].size(), want.tests.size());
    for (std::size_t i = 0; i < want.tests.size(); ++i) {
        const nlohmann::json& t = json["tests"][i];
        const FairnessTest& w = want.tests[i];
        EXPECT_EQ(t["name"], std::string(w.name));
        EXPECT_EQ(t["verdict"], std::string(VerdictText(w.verdict)));
        ASSERT_TRUE(w.ran) << w.name;
        EXPECT_EQ(t["statistic"].get<double>(), w.statistic) << w.name;  // bit for bit
        if (w.guessing) {
            // A normal statistic: no df, no w; the figure of correct guesses per deck.
            EXPECT_EQ(t.size(), 9u);
            EXPECT_TRUE(t["df"].is_null());
            EXPECT_TRUE(t["w"].is_null());
            EXPECT_EQ(t["p"].get<double>(), w.p);
            EXPECT_EQ(t["guessing"]["mean"].get<double>(), w.guessing->mean);
            EXPECT_EQ(t["guessing"]["half_width"].get<double>(), w.guessing->halfWidth);
            EXPECT_EQ(t["guessing"]["decks"], 399);
            continue;
        }
        EXPECT_EQ(t.size(), 8u);
        EXPECT_EQ(t["df"].get<int>(), w.df);
        EXPECT_EQ(t["p"].get<double>(), w.p);
        EXPECT_TRUE(t["df"].is_number_integer());
        EXPECT_EQ(t["w"].get<double>(), *w.w) << w.name;
        EXPECT_EQ(t["detects_w"].get<double>(), *w.detectsW) << w.name;
        const nlohmann::json& cell = t["largest_cell"];
        if (!w.largestCell) {
            EXPECT_TRUE(cell.is_null()) << w.name;
            continue;
        }
        EXPECT_EQ(cell.size(), 8u);
        EXPECT_EQ(cell["row"], w.largestCell->RowName());
        EXPECT_EQ(cell["position"], w.largestCell->position + 1);
        EXPECT_EQ(cell["observed"], w.largestCell->observed);
        EXPECT_EQ(cell["total"], 400u - (w.name == "move-position"));
        EXPECT_EQ(cell["percent"].get<double>(), w.largestCell->Percent());
        EXPECT_EQ(cell["expected_percent"].get<double>(), w.largestCell->ExpectedPercent());
        EXPECT_EQ(cell["z"].get<double>(), w.largestCell->z);
        EXPECT_EQ(cell["text"], w.largestCell->Text());
        EXPECT_NE(r.out.find(w.largestCell->Text()), std::string::npos);  // written whole
    }
    EXPECT_EQ(json["tests"][0]["largest_cell"]["row"].get<std::string>().size(), 2u);  // a card
    EXPECT_EQ(json["tests"][4]["largest_cell"], nullptr);  // hand-categories has no such table
}

// The core's report, its source line naming the file and its SHA-256 as sha256sum gives it.
TEST_F(TestCommandTest, TextIsTheCoreReport) {
    const CliResult r = Test({"--stage", "hole", "--alpha", "0.05"});
    ASSERT_EQ(r.status, 0) << r.err;
    const Report lines =
        FairnessReportLines(Expected(10, 0, 0, 0.05), SeatView{10, 0, Stage::Hole},
                            {"Source: file " + path_ + ", SHA-256 " + test::Sha256SumOf(path_)});
    EXPECT_EQ(r.out, test::Joined(lines));
}

TEST_F(TestCommandTest, TooFewShufflesGiveNullsAndTheNeededCount) {
    CliResult r =
        RunCli({"test", "--shuffles", "100", "--key", test::CountingKeyHex, "--format=json"});
    ASSERT_EQ(r.status, 4) << r.err;
    const nlohmann::json json = nlohmann::json::parse(r.out);
    for (const int i : {0, 1}) {
        const nlohmann::json& t = json["tests"][i];
        EXPECT_EQ(t["verdict"], "too few shuffles");
        EXPECT_TRUE(t["statistic"].is_null());
        EXPECT_TRUE(t["df"].is_null());
        EXPECT_TRUE(t["p"].is_null());
        EXPECT_TRUE(t["w"].is_null());
        EXPECT_TRUE(t["detects_w"].is_null());
        EXPECT_TRUE(t["largest_cell"].is_null());
    }
    EXPECT_EQ(json["summary"],
              "Too few shuffles to decide: 4 of the 9 tests need more than 100. Test at least 261 "
              "shuffles.");
    EXPECT_EQ(json["tests"][2]["verdict"], "pass");
    r = RunCli({"test", "--shuffles", "100", "--key", test::CountingKeyHex});
    EXPECT_NE(r.out.find("too few shuffles (needs 260)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("too few shuffles (needs 261)"), std::string::npos) << r.out;
}

// Status 3 for a fail: one row over and over again, in every format. With 300 rows every test
// runs; with 100, card-position and move-position do not, and the failed tests still decide.
TEST_F(TestCommandTest, AFailedVerdictExitsWithThree) {
    const std::string row = test::ExportText(list_).substr(0, ExportLineBytes);
    for (const int rows : {300, 100}) {
        std::string same;
        for (int k = 0; k < rows; ++k) same += row;
        CliResult r = RunCli({"test", "--input", "-", "--format", "json"}, same);
        EXPECT_EQ(r.status, 3) << r.err;
        const nlohmann::json json = nlohmann::json::parse(r.out);
        EXPECT_EQ(json["verdict"], "fail");
        EXPECT_EQ(json["tests"][0]["verdict"], rows == 100 ? "too few shuffles" : "fail");
        r = RunCli({"test", "--input", "-"}, same);
        EXPECT_EQ(r.status, 3);
        EXPECT_NE(r.out.find("\nVerdict: fail ("), std::string::npos) << r.out;
        r = RunCli({"test", "--input", "-", "--format", "csv"}, same);
        EXPECT_EQ(r.status, 3);
        EXPECT_TRUE(r.out.ends_with("\noverall,,,,,,fail\n")) << r.out;
    }
}

// No pass without every test: 100 naive swaps leave out card-position (260 needed),
// move-position (261) and the guessing tests (101), which would show their bias; status 4 in every
// format, and for the same counts merged.
TEST_F(TestCommandTest, TooFewShufflesForSomeTestsAreInconclusive) {
    const std::vector<std::string> run = {
        "test", "--shuffles", "100", "--model", "naive-swap", "--key", test::CountingKeyHex};
    const std::string counts = dir_.File("counts.json");
    CliResult r = RunCli(Plus(run, {"--save-counts", counts}));
    EXPECT_EQ(r.status, 4) << r.err;
    EXPECT_NE(r.out.find("\nVerdict: inconclusive: 4 of 9 tests need at least 261 shuffles\n"),
              std::string::npos)
        << r.out;
    const std::string text = r.out;
    r = RunCli(Plus(run, {"--format", "json"}));
    EXPECT_EQ(r.status, 4);
    EXPECT_EQ(nlohmann::json::parse(r.out)["verdict"], "inconclusive");
    r = RunCli(Plus(run, {"--format", "csv"}));
    EXPECT_EQ(r.status, 4);
    EXPECT_TRUE(r.out.ends_with("\noverall,,,,,,inconclusive\n")) << r.out;

    r = RunCli({"merge", counts, "test"});
    EXPECT_EQ(r.status, 4) << r.err;
    EXPECT_EQ(WithoutSourceLines(r.out), WithoutSourceLines(text));
    r = RunCli({"merge", counts, "test", "--format", "json"});
    EXPECT_EQ(r.status, 4);
    EXPECT_EQ(nlohmann::json::parse(r.out)["verdict"], "inconclusive");
}

// A single row runs no test at all: inconclusive, so `&& echo fair` says nothing.
TEST_F(TestCommandTest, OneRowIsInconclusive) {
    const std::string script = std::string("head -1 '") + path_ + "' | '" + BREVANE_CLI_PATH +
                               "' test --input - && echo fair";
    const CliResult r = test::RunShell(script);
    EXPECT_EQ(r.status, 4) << r.err;
    EXPECT_EQ(r.out.find("\nfair\n"), std::string::npos) << r.out;  // echo's line
    EXPECT_NE(r.out.find("\nVerdict: inconclusive: 9 of 9 tests need at least 261 shuffles\n"),
              std::string::npos)
        << r.out;
    for (const char* name : {"card-position", "hand-categories", "fixed-points"}) {
        EXPECT_NE(LineOf(r.out, name).find("too few shuffles (needs "), std::string::npos) << name;
    }
}

TEST_F(TestCommandTest, GeneratedRowsAreTheStoredOnes) {
    const CliResult file = Test({"--format", "json"});
    const CliResult made =
        RunCli({"test", "--shuffles", "400", "--key", test::CountingKeyHex, "--format", "json"});
    EXPECT_EQ(made.status, 0);
    EXPECT_EQ(test::WithoutSource(made.out), test::WithoutSource(file.out));
    const nlohmann::json source = nlohmann::json::parse(made.out)["source"];
    EXPECT_EQ(source,
              nlohmann::json::parse(R"({"model": "fisher-yates", "key": ")" + test::CountingKeyHex +
                                    R"(", "seed": "key", "from_new_deck": false})"));
    const CliResult piped =
        RunCli({"test", "--input", "-", "--format", "json"}, test::ExportText(list_));
    EXPECT_EQ(test::WithoutSource(piped.out), test::WithoutSource(file.out));
    EXPECT_EQ(nlohmann::json::parse(piped.out)["source"]["sha256"],
              nlohmann::json::parse(file.out)["source"]["sha256"]);
}

// 100,000 rows of the program's own shuffle pass; as many naive swaps fail on their moves
// (move-position about 2601 + 0.66 per pair, some 900 standard deviations out).
TEST(TestCommandVerdict, OneHundredThousandShufflesPassAndNaiveSwapsFail) {
    const std::vector<std::string> args = {
        "test", "--shuffles", "100000", "--key", test::CountingKeyHex, "--format", "json"};
    CliResult r = RunCli(args);
    EXPECT_EQ(r.status, 0) << r.err;
    const nlohmann::json fair = nlohmann::json::parse(r.out);
    EXPECT_EQ(fair["verdict"], "pass");
    EXPECT_EQ(fair["summary"].get<std::string>().rfind(
                  "No bias found in 100,000 shuffles. A card-position bias of w \u2265 0.00", 0),
              0u)
        << fair["summary"];
    std::vector<std::string> naive = args;
    naive.insert(naive.end(), {"--model", "naive-swap"});
    r = RunCli(naive);
    EXPECT_EQ(r.status, 3) << r.err;
    const nlohmann::json json = nlohmann::json::parse(r.out);
    EXPECT_EQ(json["verdict"], "fail");
    EXPECT_EQ(json["tests"][1]["name"], "move-position");
    EXPECT_EQ(json["tests"][1]["verdict"], "fail");
    // The moves give the strongest evidence, and the summary says it in their words; their w
    // is far beyond what the test could detect.
    EXPECT_EQ(json["summary"].get<std::string>().rfind(
                  "The shuffle is biased. From one shuffle to the next, the card at position ", 0),
              0u)
        << json["summary"];
    EXPECT_GT(json["tests"][1]["w"].get<double>(),
              10 * json["tests"][1]["detects_w"].get<double>());
}

// w, the sensitivity, the largest cells and the summary of several runs, fair and biased,
// against values that tests/support/check_effect.py computes from their counts files with SciPy
// (Debian's python3-scipy, which scripts/install-deps.sh installs).
TEST(TestCommandEffect, SciPyAgreesWithTheEffectSizesAndSensitivities) {
    const std::string script =
        (std::filesystem::path(__FILE__).parent_path() / "support" / "check_effect.py").string();
    const test::TempDir folder;
    const CliResult r = test::RunShell(
        "for python in python3 /usr/bin/python3; do\n"
        "  if \"$python\" -c 'import scipy' 2>/dev/null; then\n"
        "    exec \"$python\" '" +
        script + "' \"$CLI\" '" + folder.Path() +
        "'\n"
        "  fi\n"
        "done\n"
        "echo 'no python3 that has SciPy (python3-scipy)' >&2\n"
        "exit 99\n");
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    // unittest reports on standard error; it must have run something.
    EXPECT_NE(r.err.find("Ran "), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("Ran 0 tests"), std::string::npos) << r.err;
}

// --model and --from-new-deck make the rows that `shuffle` writes with them, and are refused
// with --input.
TEST_F(TestCommandTest, ModelOptionsGoWithGeneratedRowsOnly) {
    const std::vector<std::string> json = {"test", "--format", "json"};
    test::ExpectModelRowsAsShuffled(json, {"--model", "riffle:3", "--from-new-deck"}, true);
    test::ExpectModelRowsAsShuffled(json, {"--model", "naive-swap"}, true);
    const CliResult made = RunCli({"test", "--shuffles", "300", "--key", test::CountingKeyHex,
                                   "--format", "json", "--model", "byte-modulo"});
    EXPECT_NE(made.out, Test({"--format", "json"}).out);  // not the Fisher-Yates rows

    test::ExpectUsageError({"test", "--input", path_, "--model", "riffle"}, "--model 'riffle'");
    test::ExpectUsageError({"test", "--shuffles", "300", "--model", "naive-swap:3"},
                           "'naive-swap:3'");
}

TEST_F(TestCommandTest, BadInputAndBadArguments) {
    const std::string good = test::ExportText(list_);
    const std::string first = good.substr(0, ExportLineBytes);
    std::string unknown = first;
    unknown.replace(0, 2, "1c");
    test::ExpectBadInput({"test", "--input", "-"}, first + unknown,
                         "-:2: unknown card name \"1c\"");
    test::ExpectBadInput({"test", "--input", "-", "--format", "json"},
                         good + first.substr(0, 152) + "\r\n",
                         "-:401: expected 52 cards, found 51");

    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--alpha", "0"}, "invalid significance level '0'"},
        {{"--alpha", "1"}, "invalid significance level '1'"},
        {{"--alpha", "0.5x"}, "invalid significance level '0.5x'"},
        {{"--alpha", "nan"}, "invalid significance level 'nan'"},
        {{"--alpha", "-0.1"}, "invalid significance level"},
        {{"--alpha"}, "--alpha needs a value"},
        {{"--format", "xml"}, "invalid format 'xml' (text, csv, json or html)"},
        {{"--format"}, "--format needs a value"},
        {{"extra"}, "unexpected argument 'extra'"},
        {{"--seat", "D-10"}, "no seat 'D-10' at 10 players"},
        {{"--stage", "River"}, "invalid stage 'River'"},
        {{"--class", "Pair"}, "unknown option '--class'"},
    };
    for (const auto& [args, named] : cases) {
        std::vector<std::string> withInput = {"test", "--input", path_};
        withInput.insert(withInput.end(), args.begin(), args.end());
        test::ExpectUsageError(withInput, named);
    }
    test::ExpectUsageError({"test"}, "--input FILE or --shuffles COUNT");
    test::ExpectUsageError({"test", "--input", dir_.File("missing.txt")},
                           "No such file or directory");
    const std::string empty = dir_.File("empty.txt");
    test::WriteFileBytes(empty, "");
    test::ExpectUsageError({"test", "--input", empty}, "No hands dealt");
}

TEST_F(TestCommandTest, ReadAndWriteFailuresExitWithOne) {
    CliResult r = RunCli({"test", "--input", dir_.Path()});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("Is a directory"), std::string::npos) << r.err;
    // Standard output that takes no bytes.
    std::string command = "'";
    command += BREVANE_CLI_PATH;
    command += "' test --input '" + path_ + "' > /dev/full 2>/dev/null";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
}

TEST_F(TestCommandTest, HelpAndUsage) {
    CliResult r = RunCli({"test", "--help"});
    EXPECT_EQ(r.status, 0);
    for (const char* word : {"--alpha", "--format", "card-position", "fixed-points", "Holm", "csv",
                             "Source:", "inconclusive", "4 for inconclusive", "detects w",
                             "detects_w,verdict", "largest_cell", "summary"}) {
        EXPECT_NE(r.out.find(word), std::string::npos) << word;
    }
    r = RunCli({"--help"});
    EXPECT_NE(r.out.find("  test "), std::string::npos);
}

}  // namespace
}  // namespace brevane
