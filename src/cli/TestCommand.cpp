#include <charconv>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>
#include <system_error>
#include <vector>

#include "cli/AnalysisOptions.h"
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/CountsCommands.h"
#include "cli/CountsOutput.h"
#include "cli/ResultJson.h"
#include "cli/RunSource.h"
#include "cli/SourceCounts.h"
#include "stats/FairnessReport.h"
#include "stats/FairnessTests.h"
#include "stats/ShuffleCounts.h"

namespace brevane::cli {

namespace {

constexpr std::string_view Command = "test";

// The exit status of a verdict of fail; 0, 1 and 2 mean what they mean for every command.
constexpr int ExitTestFailed = 3;

constexpr const char* TestHelp =
    "Usage: brevane-cli test (--input FILE | --shuffles COUNT [--key HEX])\n"
    "                        [--players N] [--seat D|D-k] [--rotate] [--stage STAGE]\n"
    "                        [--alpha A] [--format text|json] [--save-counts FILE]\n"
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
    "  --format FORMAT   text (default) or json: one object with \"program\", \"source\" (the\n"
    "                    input file and its SHA-256, or the model and the key, also a timer\n"
    "                    seed's), \"shuffles\", \"alpha\", \"tests\" (name, statistic, df, p,\n"
    "                    verdict) and \"verdict\"\n"
    "  --players, --seat, --rotate, --stage choose the seat view of hand-categories;\n"
    "  --first-row and --save-counts as for `report`\n"
    "  (the row options as for `report`; see report --help)\n"
    "\n"
    "A test with too few rows for its cells is not run (\"too few shuffles\"). Exit status: 0\n"
    "when the verdict is pass, 3 when it is fail, 2 for bad arguments or a bad input line\n"
    "(FILE:LINE:), 1 when reading or writing fails.\n";

struct TestOptions {
    double alpha = DefaultAlpha;
    bool json = false;
    std::vector<std::string_view> rest;  // for ParseAnalysisOptions
};

std::optional<double> ParseAlpha(std::string_view text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    if (!(value > 0 && value < 1)) return std::nullopt;
    return value;
}

// Takes --alpha and --format out of the arguments; the rest go to the shared parser.
std::optional<TestOptions> ParseTestOptions(Args args) {
    TestOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view value;
        OptionMatch match = TakeOption(args, i, "--alpha", value);
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
        if (match == OptionMatch::No) match = TakeOption(args, i, "--format", value);
        if (match == OptionMatch::Yes) {
            if (value != "text" && value != "json") {
                UsageError(Command, "invalid format " + Quoted(value) + " (text or json)");
                return std::nullopt;
            }
            options.json = value == "json";
            continue;
        }
        if (match == OptionMatch::MissingValue) {
            UsageError(Command, std::string(args[i]) + " needs a value");
            return std::nullopt;
        }
        options.rest.push_back(args[i]);
    }
    return options;
}

std::string PlainText(const FairnessResult& result, const AnalysisOptions& options) {
    std::string text;
    for (const std::string& line : FairnessReportLines(result, options.view)) {
        text += line;
        text += '\n';
    }
    return text;
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
    if (testOptions->json) options->digestInput = true;
    return TestCommandOptions{std::move(*testOptions), std::move(*options)};
}

// The tests over the counts, their verdict on standard output; gives the exit status.
int PrintTests(const ShuffleCounts& counts, const TestOptions& testOptions,
               const AnalysisOptions& options, const Json& source) {
    if (counts.Rows() == 0) return UsageError(Command, "No hands dealt");
    const FairnessResult result = RunFairnessTests(counts, testOptions.alpha);
    const int verdictStatus = result.verdict == Verdict::Fail ? ExitTestFailed : ExitOk;
    const std::string text = testOptions.json ? JsonLine(FairnessJson(result, source)) + "\n"
                                              : PlainText(result, options);
    WriteToStdout(text);
    return verdictStatus;
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
    const int status = PrintTests(counts, parsed->test, options,
                                  parsed->test.json ? SourceJson(options, source) : Json());
    saved.Commit();
    return status;
}

int RunTestOnCounts(Args args, const MergedShards& merged) {
    if (WantsHelp(args)) return WriteHelp(TestHelp);
    auto parsed = ParseTestCommand(args, RowsFrom::SavedCounts);
    if (!parsed) return ExitUsage;
    parsed->analysis.view = merged.counts.View();
    return PrintTests(merged.counts, parsed->test, parsed->analysis, merged.sources);
}

}  // namespace brevane::cli
