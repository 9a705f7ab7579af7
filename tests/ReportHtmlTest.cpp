// `test --format html`: its arguments and failures, and (through tests/support/check_report.py)
// its page against the JSON, a merge's page, the HTML5 and XML parsers and a real browser.
#include <sys/stat.h>
#include <sys/wait.h>

#include <filesystem>

#include "AnalysisCliHelpers.h"
#include "support/TinyDisk.h"

namespace brevane {
namespace {

namespace fs = std::filesystem;
using test::CliResult;
using test::RunCli;

constexpr const char* Key = "0102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f20";

class ReportHtmlTest : public test::AnalysisCliTest<300> {
  protected:
    CliResult Html(const std::string& output, std::vector<std::string> more = {},
                   const test::CliSetup& setup = {}) {
        std::vector<std::string> args = {"test", "--input",  path_, "--format",
                                         "html", "--output", output};
        args.insert(args.end(), more.begin(), more.end());
        return RunCli(args, {}, setup);
    }
    std::size_t Entries(const std::string& folder) const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), {}));
    }
};

// Runs one class of tests/support/check_report.py with Debian's Python, which has html5lib.
void RunReportChecks(const std::string& testClass) {
    const std::string script =
        (fs::path(__FILE__).parent_path() / "support" / "check_report.py").string();
    const test::TempDir folder;
    const CliResult r = test::RunShell(
        "for python in /usr/bin/python3 python3; do\n"
        "  if \"$python\" -c 'import html5lib' 2>/dev/null; then\n"
        "    exec \"$python\" '" +
        script + "' \"$CLI\" '" + folder.Path() + "' " + testClass +
        "\n  fi\ndone\necho 'no python3 that has html5lib (python3-html5lib)' >&2\nexit 99\n");
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.err.find("Ran "), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("Ran 0 tests"), std::string::npos) << r.err;
}

TEST(ReportHtmlPython, FiguresAreTheNumbersOfTheJson) {
    RunReportChecks("ReportNumbers");
}

TEST(ReportHtmlPython, MergeReportIsOneRunsButForTheSource) {
    RunReportChecks("ReportMerge");
}

TEST(ReportHtmlPython, PageIsHtml5AndEverySvgIsXml) {
    RunReportChecks("ReportParses");
}

TEST(ReportHtmlPython, ChromiumDrawsAndPrintsFairAndBiasedReports) {
    RunReportChecks("ReportBrowser");
}

// The page is written only to --output; the status is the verdict's, as for the other formats.
TEST_F(ReportHtmlTest, WritesThePageAndExitsWithTheVerdict) {
    const std::string output = dir_.File("r.html");
    CliResult r = Html(output);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
    const std::string page = test::ReadFileBytes(output);
    EXPECT_EQ(page.rfind("<!DOCTYPE html>\n", 0), 0u);
    EXPECT_NE(page.find("data-verdict=\"pass\">pass</p>"), std::string::npos);
    EXPECT_NE(page.find(test::Sha256SumOf(path_)), std::string::npos);

    r = RunCli({"test", "--shuffles", "2000", "--model", "naive-swap", "--key", Key, "--format",
                "html", "--output", output});
    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_NE(test::ReadFileBytes(output).find("data-verdict=\"fail\">fail</p>"),
              std::string::npos);
    r = RunCli({"test", "--shuffles", "100", "--key", Key, "--format", "html", "--output", output});
    EXPECT_EQ(r.status, 4) << r.err;
}

// With SOURCE_DATE_EPOCH two runs over the same rows write the same bytes, stamped with it.
TEST_F(ReportHtmlTest, SourceDateEpochMakesTheSameBytes) {
    test::CliSetup setup;
    setup.env.push_back("SOURCE_DATE_EPOCH=951782400");
    ASSERT_EQ(Html(dir_.File("a.html"), {}, setup).status, 0);
    ASSERT_EQ(Html(dir_.File("b.html"), {}, setup).status, 0);
    const std::string a = test::ReadFileBytes(dir_.File("a.html"));
    std::string b = test::ReadFileBytes(dir_.File("b.html"));
    // The reproduce command names each run's own output.
    for (std::size_t at = b.find("b.html"); at != std::string::npos; at = b.find("b.html", at))
        b.replace(at, 6, "a.html");
    EXPECT_EQ(a, b);
    EXPECT_NE(a.find("2000-02-29 00:00:00 UTC"), std::string::npos);
}

TEST_F(ReportHtmlTest, BadArgumentsExitWithTwoAndWriteNothing) {
    const std::string output = dir_.File("r.html");
    test::ExpectUsageError({"test", "--input", path_, "--format", "html"},
                           "--format html needs --output");
    test::ExpectUsageError({"test", "--input", path_, "--output", output},
                           "--output goes with --format html");
    test::ExpectUsageError({"test", "--input", path_, "--format", "json", "--output", output},
                           "--output goes with --format html");
    test::ExpectUsageError({"test", "--input", path_, "--format", "html", "--output"},
                           "--output needs a file name");
    test::ExpectUsageError({"test", "--input", path_, "--format", "html", "--output="},
                           "--output needs a file name");
    // html belongs to test alone.
    test::ExpectUsageError({"report", "card", "Qh", "--input", path_, "--format", "html"},
                           "invalid format 'html'");
    test::ExpectUsageError({"hands", "--input", path_, "--format", "html"},
                           "invalid format 'html'");
    test::ExpectUsageError({"map", "--input", path_, "--format", "html", "--output", output},
                           "invalid format 'html'");
    // The report may not write over the rows or the counts file.
    test::ExpectUsageError({"test", "--input", path_, "--format", "html", "--output", path_},
                           "--output '" + path_ + "' names the same file as --input");
    test::ExpectUsageError(
        {"test", "--input", path_, "--format", "html", "--output", output, "--save-counts", output},
        "names the same file as --save-counts");
    EXPECT_FALSE(fs::exists(output));
    EXPECT_EQ(Entries(dir_.Path()), 1u);  // the rows alone
}

// merge ... test: the same refusals, and the report may not name a counts file merged.
TEST_F(ReportHtmlTest, MergeRefusesAReportOverItsCountsFiles) {
    const std::string counts = dir_.File("c.json");
    ASSERT_EQ(RunOnFile("test", {"--save-counts", counts, "--format", "csv"}).status, 0);
    test::ExpectUsageError({"merge", counts, "test", "--format", "html"},
                           "--format html needs --output");
    test::ExpectUsageError({"merge", counts, "test", "--format", "html", "--output", counts},
                           "names the same file as the counts file");
    const CliResult r =
        RunCli({"merge", counts, "test", "--format", "html", "--output", dir_.File("m.html")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(test::ReadFileBytes(dir_.File("m.html")).find("1 counts file"), std::string::npos);
}

// An output that cannot be opened fails before any row is read; one that fills the disk fails
// at the end. Either way status 1, the old file as it was, no temporary file left, and no
// counts file put in place without its report.
TEST_F(ReportHtmlTest, WriteFailuresExitWithOneAndLeaveNoPartialFile) {
    CliResult r = Html(dir_.File("missing/r.html"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("No such file or directory"), std::string::npos) << r.err;

    const std::string folder = dir_.File("disk");
    fs::create_directory(folder);
    test::TinyDisk disk(folder, "64k");
    if (!disk.Mounted()) GTEST_SKIP() << "cannot mount a small tmpfs here";
    test::WriteFileBytes(folder + "/r.html", "old");
    const std::string counts = dir_.File("counts.json");
    r = Html(folder + "/r.html", {"--save-counts", counts});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("No space left on device"), std::string::npos) << r.err;
    EXPECT_EQ(test::ReadFileBytes(folder + "/r.html"), "old");
    EXPECT_EQ(Entries(folder), 1u);
    EXPECT_FALSE(fs::exists(counts));
}

}  // namespace
}  // namespace brevane
