#include <charconv>
#include <cstdio>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "cli/AnalysisOptions.h"
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/CountsCommands.h"
#include "cli/CountsOutput.h"
#include "cli/ReportFormats.h"
#include "cli/ResultJson.h"
#include "cli/RunSource.h"
#include "cli/SourceCounts.h"
#include "stats/FairnessReport.h"
#include "stats/FairnessTests.h"
#include "stats/ShuffleCounts.h"

namespace brevane::cli {

namespace {

constexpr std::string_view Command = "test";

// The exit statuses of the verdicts other than pass; 0, 1 and 2 mean what they mean for every
// command.
constexpr int ExitTestFailed = 3;
constexpr int ExitInconclusive = 4;

constexpr const char* TestHelp =
    "Usage: brevane-cli test (--input FILE | --shuffles COUNT [--key HEX])\n"
    "                        [--players N] [--seat D|D-k] [--rotate] [--stage STAGE]\n"
    "                        [--alpha A] [--format text|csv|json] [--save-counts FILE]\n"
    "\n"
    "Tests whether the rows look like the output of a fair shuffle, and prints a verdict with\n"
    "a p-value for each test:\n"
    "\n"
    "  card-position     each card equally often at each deck position\n"
    "  move-position     each position of a row sends its card to each position of the next\n"
    "                    row equally often\n"
    "  suit-position     each suit equally often at each deck position\n"
    "  rank-position     each rank equally often at each deck position\n"
    "  hand-categories   the seat's hand categories as often as a random set of cards gives\n"
    "  rising-sequences  the rising sequences from one row to the next, against their exact\n"
    "                    distribution for a random permutation\n"
    "  fixed-points      the cards that keep their place from one row to the next, likewise\n"
    "\n"
    "  --alpha A         significance level, 0 < A < 1 (default 0.01); Holm's step-down over\n"
    "                    the tests that ran decides which of them fail\n"
    "  --format FORMAT   text (default), whose \"Source:\" line names the input file and its\n"
    "                    SHA-256, or the model and the key (also a timer seed's);\n"
    "                    csv: the header \"name,statistic,df,p,verdict\", a row per test\n"
    "                    (empty numbers for a test that did not run), then \"overall\" and the\n"
    "                    verdict; or json: one object with \"program\", \"source\" (as the\n"
    "                    text's), \"shuffles\", \"alpha\", \"tests\" (name, statistic, df, p,\n"
    "                    verdict) and \"verdict\"\n"
    "  --players, --seat, --rotate, --stage choose the seat view of hand-categories;\n"
    "  --first-row and --save-counts as for `report`\n"
    "  (the row options as for `report`; see report --help)\n"
    "\n"
    "A test with too few rows for its cells is not run (\"too few shuffles\"). The verdict is\n"
    "fail when a test fails, otherwise inconclusive when a test did not run, otherwise pass.\n"
    "Exit status: 0 for pass, 3 for fail, 4 for inconclusive, 2 for bad arguments or a bad\n"
    "input line (FILE:LINE:), 1 when reading or writing fails.\n";

struct TestOptions {
    double alpha = DefaultAlpha;
    OutputFormat format = OutputFormat::Text;
    std::vector<std::string_view> rest;  // for ParseAnalysisOptions
};

std::optional<double> ParseAlpha(std::string_view text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    if (!(value > 0 && value < 1)) return std::nullopt;
    return value;
}

// Takes --format and --alpha out of the arguments; the rest go to the shared parser.
std::optional<TestOptions> ParseTestOptions(Args args) {
    const auto format = TakeFormatOption(
        Command, args, {OutputFormat::Text, OutputFormat::Csv, OutputFormat::Json});
    if (!format) return std::nullopt;
    TestOptions options;
    options.format = format->format;
    const std::vector<std::string_view>& rest = format->rest;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        std::string_view value;
        const OptionMatch match = TakeOption(rest, i, "--alpha", value);
        if (match == OptionMatch::Yes) {
            const auto alpha = ParseAlpha(value);
            if (!alpha) {
                UsageError(Command, "invalid significance level " + Quoted(value) +
                                        " (a number between 0 and 1)");
                return std::nullopt;
            }
            options.alpha = *alpha;
            continue;
        }
        if (match == OptionMatch::MissingValue) {
            UsageError(Command, std::string(rest[i]) + " needs a value");
            return std::nullopt;
        }
        options.rest.push_back(rest[i]);
    }
    return options;
}

struct TestCommandOptions {
    TestOptions test;
    AnalysisOptions analysis;
};

std::optional<TestCommandOptions> ParseTestCommand(Args args, RowsFrom rowsFrom) {
    auto testOptions = ParseTestOptions(args);
    if (!testOptions) return std::nullopt;
    auto options = ParseOperandFreeOptions(Command, testOptions->rest, false, rowsFrom);
    if (!options) return std::nullopt;
    // The text and the JSON name the input's SHA-256.
    if (testOptions->format != OutputFormat::Csv) options->digestInput = true;
    return TestCommandOptions{std::move(*testOptions), std::move(*options)};
}

int VerdictStatus(Verdict verdict) {
    switch (verdict) {
        case Verdict::Fail:
            return ExitTestFailed;
        case Verdict::Inconclusive:
            return ExitInconclusive;
        default:
            return ExitOk;
    }
}

// The tests over the counts, their verdict on standard output; gives the exit status.
// `source` gives the source as a JSON value and as the text's lines, and is called only for the
// formats that name it.
int PrintTests(const ShuffleCounts& counts, const TestOptions& testOptions,
               const AnalysisOptions& options,
               const std::function<std::pair<Json, Report>()>& source) {
    if (counts.Rows() == 0) return UsageError(Command, "No hands dealt");
    const FairnessResult result = RunFairnessTests(counts, testOptions.alpha);
    std::string text;
    if (testOptions.format == OutputFormat::Csv) {
        text = FairnessCsvText(result);
    } else if (testOptions.format == OutputFormat::Json) {
        text = JsonLine(FairnessJson(result, source().first)) + "\n";
    } else {
        for (const std::string& line : FairnessReportLines(result, options.view, source().second))
            text += line + '\n';
    }
    WriteToStdout(text);
    return VerdictStatus(result.verdict);
}

}  // namespace

// Counts every row before printing, so a bad line anywhere leaves standard output empty; the
// counts and one batch of rows are all the memory used, whatever the number of rows.
int RunTestCommand(Args args) {
    if (WantsHelp(args)) return WriteHelp(TestHelp);
    const auto parsed = ParseTestCommand(args, RowsFrom::Options);
    if (!parsed) return ExitUsage;
    const AnalysisOptions& options = parsed->analysis;

    CountsOutput saved(options);
    RowSource source;
    std::optional<ShuffleCounts> counted;
    if (const int status = OpenAndCountRows(Command, options, source, counted); status != ExitOk)
        return status;
    const ShuffleCounts& counts = *counted;
    if (counts.Rows() != 0) saved.Write(counts, options, source);
    const int status = PrintTests(counts, parsed->test, options, [&] {
        Json json = SourceJson(options, source);
        Report lines = SourceLines(json);
        return std::pair(std::move(json), std::move(lines));
    });
    saved.Commit();
    return status;
}

int RunTestOnCounts(Args args, const MergedShards& merged) {
    if (WantsHelp(args)) return WriteHelp(TestHelp);
    auto parsed = ParseTestCommand(args, RowsFrom::SavedCounts);
    if (!parsed) return ExitUsage;
    parsed->analysis.view = merged.counts.View();
    return PrintTests(merged.counts, parsed->test, parsed->analysis, [&] {
        return std::pair(merged.sources, MergedSourceLines(merged.names, merged.sources));
    });
}

}  // namespace brevane::cli
