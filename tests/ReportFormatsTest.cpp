#include <filesystem>
#include <nlohmann/json.hpp>

#include "AnalysisCliHelpers.h"
#include "analysis/ReportLines.h"
#include "support/GermanLocale.h"

namespace brevane {
namespace {

using test::CliResult;
using test::RunCli;

class ReportFormatsTest : public test::AnalysisCliTest<300> {
  protected:
    // Runs the Python checks of one class of tests/support/check_formats.py over the program,
    // with a locale whose decimal separator is "," when one can be had.
    void RunPythonChecks(const std::string& testClass) {
        const std::string script =
            (std::filesystem::path(__FILE__).parent_path() / "support" / "check_formats.py")
                .string();
        const test::TempDir localeFolder;
        test::CliSetup setup;
        // Without one the checks run in the C locale and leave the text's separator alone.
        if (test::MakeGermanLocaleAvailable(localeFolder)) {
            setup.env.push_back("LC_ALL=de_DE.UTF-8");
        }
        const test::TempDir folder;
        const CliResult r = test::RunShell(
            "python3 '" + script + "' \"$CLI\" '" + folder.Path() + "' " + testClass, {}, setup);
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        // unittest reports on standard error; it must have run something.
        EXPECT_NE(r.err.find("Ran "), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("Ran 0 tests"), std::string::npos) << r.err;
    }
};

TEST_F(ReportFormatsTest, PythonReadsTheReportCsvAndJsonAsTheTextSaysThem) {
    RunPythonChecks("ReportFormats");
}

TEST_F(ReportFormatsTest, PythonReadsTheHandsJsonLinesAsTheTextSaysThem) {
    RunPythonChecks("HandsFormats");
}

TEST_F(ReportFormatsTest, PythonReadsTheTestCsvAndJsonAsTheTextSaysThem) {
    RunPythonChecks("TestFormats");
}

TEST_F(ReportFormatsTest, PythonFindsTheTimerKeyThatRepeatsTheRun) {
    RunPythonChecks("TimerSeed");
}

// --format text is the report as it has always been printed: the literal report's lines.
TEST_F(ReportFormatsTest, TextFormatIsTheLiteralReport) {
    const CliResult plain = RunOnFile("report", {"card", "Qh"});
    const CliResult text = RunOnFile("report", {"card", "Qh", "--format", "text"});
    ASSERT_EQ(plain.status, 0) << plain.err;
    EXPECT_EQ(plain.out, test::Joined(reference::PositionReport(list_, 'c', 43, "Qh", ".")));
    EXPECT_EQ(text.out, plain.out);
    const CliResult hands = RunOnFile("hands", {"--format=text", "--limit", "3"});
    EXPECT_EQ(hands.out, RunOnFile("hands", {"--limit", "3"}).out);
}

TEST_F(ReportFormatsTest, BadFormatsAreRefused) {
    test::ExpectUsageError({"report", "suit", "Club", "--input", path_, "--format", "xml"},
                           "invalid format 'xml' (text, csv or json)");
    test::ExpectUsageError({"report", "suit", "Club", "--input", path_, "--format"},
                           "--format needs a value");
    test::ExpectUsageError({"hands", "--input", path_, "--format", "csv"},
                           "invalid format 'csv' (text or json)");
    test::ExpectUsageError({"map", "--input", path_, "--format", "yaml"},
                           "(png, svg, csv or json)");
}

// A bad line leaves standard output empty in every format, the JSON head line of `hands`
// included.
TEST_F(ReportFormatsTest, ABadLineLeavesNoJson) {
    const std::string good = test::ExportText(list_);
    const std::string bad = good + good.substr(0, 101) + "\r\n";
    const std::string message = "-:301: expected 52 cards, found 34";
    test::ExpectBadInput({"hands", "--input", "-", "--format", "json"}, bad, message);
    test::ExpectBadInput({"report", "categories", "--input", "-", "--format", "json"}, bad,
                         message);
    test::ExpectBadInput({"report", "rank", "A", "--input", "-", "--format", "csv"}, bad, message);
}

TEST_F(ReportFormatsTest, TestJsonNamesItsSource) {
    const CliResult r = RunOnFile("test", {"--format", "json"});
    const nlohmann::ordered_json json = nlohmann::ordered_json::parse(r.out);
    EXPECT_EQ(json["program"], "brevane-cli " BREVANE_VERSION);
    EXPECT_EQ(json["source"]["sha256"], test::Sha256SumOf(path_));
    EXPECT_EQ(json.begin().key(), "program");
}

// A file name that is not UTF-8 still gives valid JSON, the bad byte as U+FFFD.
TEST_F(ReportFormatsTest, AFileNameThatIsNotUtf8StillGivesJson) {
    const test::TempDir folder;
    const std::string odd = folder.File("rows\xff.txt");
    std::filesystem::copy_file(path_, odd);
    const CliResult r = RunCli({"report", "suit", "Club", "--input", odd, "--format", "json"});
    ASSERT_EQ(r.status, 0) << r.err;
    const nlohmann::json json = nlohmann::json::parse(r.out);
    EXPECT_EQ(json["source"]["file"], folder.File("rows\xef\xbf\xbd.txt"));
    EXPECT_EQ(json["source"]["sha256"], test::Sha256SumOf(path_));
    const std::string counts = folder.File("counts.json");
    ASSERT_EQ(RunCli({"test", "--input", odd, "--save-counts", counts}).status, 0);
    const CliResult merged = RunCli({"merge", counts, "test", "--format", "json"});
    ASSERT_EQ(merged.status, 0) << merged.err;
    EXPECT_EQ(nlohmann::json::parse(merged.out)["source"][0]["file"], json["source"]["file"]);
}

TEST_F(ReportFormatsTest, MapJsonHoldsTheCsvCounts) {
    for (const std::string view : {"cards", "moves"}) {
        SCOPED_TRACE(view);
        const CliResult csv = RunOnFile("map", {"--view", view, "--format", "csv"});
        const CliResult r = RunOnFile("map", {"--view", view, "--format", "json"});
        ASSERT_EQ(r.status, 0) << r.err;
        const nlohmann::json json = nlohmann::json::parse(r.out);
        EXPECT_EQ(json["program"], "brevane-cli " BREVANE_VERSION);
        EXPECT_EQ(json["source"]["file"], path_);
        EXPECT_EQ(json["view"], view);
        EXPECT_EQ(json["total"], view == "cards" ? 300 : 299);
        // The CSV again from the JSON: the axis name, the column labels, each row's label and
        // counts.
        std::string again = view == "cards" ? "card" : "earlier";
        for (const auto& label : json["column_labels"]) {
            again += ',';
            again += label.get<std::string>();
        }
        again += "\n";
        ASSERT_EQ(json["counts"].size(), 52u);
        for (std::size_t i = 0; i < 52; ++i) {
            again += json["row_labels"][i].get<std::string>();
            ASSERT_EQ(json["counts"][i].size(), 52u);
            for (const auto& count : json["counts"][i]) {
                again += ',';
                again += std::to_string(count.get<std::uint64_t>());
            }
            again += "\n";
        }
        EXPECT_EQ(again, csv.out);
        EXPECT_EQ(json["test"]["name"], view == "cards" ? "card-position" : "move-position");
    }
}

// A CSV written to a file gets its metadata in FILE.json beside it; the CSV itself stays the
// bare matrix.
TEST_F(ReportFormatsTest, MapCsvFileGetsAHeadFileBesideIt) {
    const std::string out = dir_.File("cards.csv");
    const CliResult r = RunOnFile("map", {"--format", "csv", "--output", out});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(test::ReadFileBytes(out), RunOnFile("map", {"--format", "csv"}).out);
    const nlohmann::json head = nlohmann::json::parse(test::ReadFileBytes(out + ".json"));
    nlohmann::json full = nlohmann::json::parse(RunOnFile("map", {"--format", "json"}).out);
    full.erase("counts");
    EXPECT_EQ(head, full);
    EXPECT_EQ(head["source"]["sha256"], test::Sha256SumOf(path_));
    // Nothing can be put beside a device.
    EXPECT_EQ(RunOnFile("map", {"--format", "csv", "--output", "/dev/null"}).status, 0);
    EXPECT_FALSE(std::filesystem::exists("/dev/null.json"));
}

}  // namespace
}  // namespace brevane
