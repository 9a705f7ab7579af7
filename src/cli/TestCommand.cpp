#include <charconv>
#include <cstdio>
#include <functional>
#include <memory>
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
#include "cli/HtmlReportOutput.h"
#include "cli/OutputClash.h"
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
    "       brevane-cli test ROWS [SEAT] [--alpha A] --format html --output FILE.html\n"
    "\n"
    "Tests whether the rows look like the output of a fair shuffle, and prints a verdict with\n"
    "a p-value, the effect size w and the smallest w it detects for each test, the largest\n"
    "cell of each position table, and a summary in words:\n"
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
    "w is the size of the bias beyond chance, sqrt(max(0, X^2 - df) / n) over the n\n"
    "observations the test counts; a fair shuffle gives w near 0. \"detects w >=\" is the\n"
    "smallest w that the test finds 9 times in 10 with these rows, at alpha over the number\n"
    "of tests that ran.\n"
    "\n"
    "  --alpha A         significance level, 0 < A < 1 (default 0.01); Holm's step-down over\n"
    "                    the tests that ran decides which of them fail\n"
    "  --format FORMAT   text (default), whose \"Source:\" line names the input file and its\n"
    "                    SHA-256, or the model and the key (also a timer seed's);\n"
    "                    csv: the header \"name,statistic,df,p,w,detects_w,verdict\", a row\n"
    "                    per test (empty numbers where a test has none), then \"overall\"\n"
    "                    and the verdict; or json: one object with \"program\", \"source\"\n"
    "                    (as the text's), \"shuffles\", \"alpha\", \"tests\" (name, statistic,\n"
    "                    df, p, w, detects_w, largest_cell, verdict), \"verdict\" and\n"
    "                    \"summary\"; or html: the evaluation report, one page that opens\n"
    "                    in any browser on its own (verdict, source, results, pictures,\n"
    "                    method, the command that repeats it), written to --output\n"
    "  --output FILE     where the html report goes (html only); it takes the place of\n"
    "                    FILE only once complete, together with --save-counts. The time\n"
    "                    it names is SOURCE_DATE_EPOCH (seconds since 1970) when set\n"
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
    std::optional<std::string> output;   // --output, the html report's file
    std::vector<std::string_view> rest;  // for ParseAnalysisOptions
};

std::optional<double> ParseAlpha(std::string_view text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    if (!(value > 0 && value < 1)) return std::nullopt;
    return value;
}

// Takes --format, --output and --alpha out of the arguments; the rest go to the shared parser.
std::optional<TestOptions> ParseTestOptions(Args args) {
    const auto format = TakeFormatOption(
        Command, args,
        {OutputFormat::Text, OutputFormat::Csv, OutputFormat::Json, OutputFormat::Html});
    if (!format) return std::nullopt;
    TestOptions options;
    options.format = format->format;
    const std::vector<std::string_view>& rest = format->rest;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        std::string_view value;
        if (const OptionMatch output = TakeOption(rest, i, "--output", value);
            output != OptionMatch::No) {
            if (output == OptionMatch::MissingValue || value.empty()) {
                UsageError(Command, "--output needs a file name");
                return std::nullopt;
            }
            options.output = std::string(value);
            continue;
        }
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
    const bool html = options.format == OutputFormat::Html;
    if (html && !options.output) {
        UsageError(Command, "--format html needs --output FILE.html");
        return std::nullopt;
    }
    if (!html && options.output) {
        UsageError(Command,
                   "--output goes with --format html; the other formats go to "
                   "standard output");
        return std::nullopt;
    }
    return options;
}

struct TestCommandOptions {
    TestOptions test;
    AnalysisOptions analysis;
};

// `inputs` are files read before the rows, which the report may not name.
std::optional<TestCommandOptions> ParseTestCommand(Args args, RowsFrom rowsFrom,
                                                   std::vector<NamedFile> inputs = {}) {
    auto testOptions = ParseTestOptions(args);
    if (!testOptions) return std::nullopt;
    auto options = ParseOperandFreeOptions(Command, testOptions->rest, false, rowsFrom);
    if (!options) return std::nullopt;
    if (testOptions->output) {
        std::vector<NamedFile> outputs;
        if (options->saveCounts)
            outputs.push_back(OptionFile("--save-counts", *options->saveCounts));
        outputs.push_back(OptionFile("--output", *testOptions->output));
        if (options->input) inputs.push_back(OptionFile("--input", *options->input));
        if (const auto clash = OutputClash(outputs, inputs)) {
            UsageError(Command, *clash);
            return std::nullopt;
        }
    }
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

// What the outputs say about the rows' source: the JSON value, the text's lines and the
// report's provenance.
struct SourceFacts {
    Json json;
    Report lines;
    ReportProvenance provenance;
};

// The tests over the counts, their verdict on standard output or in the html report; gives the
// exit status. `source` is called only for the formats that name it. The counts file in
// `saved`, if any, takes its place together with the report, or once standard output has
// taken the verdict. `report` is the html report's file.
int PrintTests(const ShuffleCounts& counts, const TestOptions& testOptions,
               const AnalysisOptions& options, const std::function<SourceFacts()>& source,
               ReplacingFile* report, ReplacingFile* saved) {
    if (counts.Rows() == 0) return UsageError(Command, "No hands dealt");
    const FairnessResult result = RunFairnessTests(counts, testOptions.alpha);
    if (testOptions.format == OutputFormat::Html) {
        WriteHtmlReport(counts, result, source().provenance, *testOptions.output, *report, saved);
        return VerdictStatus(result.verdict);
    }
    std::string text;
    if (testOptions.format == OutputFormat::Csv) {
        text = FairnessCsvText(result);
    } else if (testOptions.format == OutputFormat::Json) {
        text = JsonLine(FairnessJson(result, source().json)) + "\n";
    } else {
        for (const std::string& line : FairnessReportLines(result, options.view, source().lines))
            text += line + '\n';
    }
    WriteToStdout(text);
    if (saved) saved->Commit();
    return VerdictStatus(result.verdict);
}

std::unique_ptr<ReplacingFile> OpenReport(const TestOptions& options) {
    if (!options.output) return nullptr;
    return std::make_unique<ReplacingFile>(*options.output);
}

}  // namespace

// Counts every row before printing, so a bad line anywhere leaves standard output empty; the
// counts and one batch of rows are all the memory used, whatever the number of rows.
int RunTestCommand(Args args) {
    if (WantsHelp(args)) return WriteHelp(TestHelp);
    const auto parsed = ParseTestCommand(args, RowsFrom::Options);
    if (!parsed) return ExitUsage;
    const AnalysisOptions& options = parsed->analysis;

    // The report's file is opened before any row is read, so that an unwritable one fails at
    // once.
    const std::unique_ptr<ReplacingFile> report = OpenReport(parsed->test);
    CountsOutput saved(options);
    RowSource source;
    std::optional<ShuffleCounts> counted;
    if (const int status = OpenAndCountRows(Command, options, source, counted); status != ExitOk)
        return status;
    const ShuffleCounts& counts = *counted;
    if (counts.Rows() != 0) saved.Write(counts, options, source);
    return PrintTests(
        counts, parsed->test, options,
        [&] {
            Json json = SourceJson(options, source);
            Report lines = SourceLines(json);
            ReportProvenance provenance = RunProvenance(json, options, counts.Rows());
            return SourceFacts{std::move(json), std::move(lines), std::move(provenance)};
        },
        report.get(), saved.Written());
}

int RunTestOnCounts(Args args, const MergedShards& merged,
                    const std::vector<std::uint64_t>& shardRows) {
    if (WantsHelp(args)) return WriteHelp(TestHelp);
    std::vector<NamedFile> inputs;
    for (const std::string& name : merged.names)
        inputs.push_back(LabelledFile("the counts file " + Quoted(name), name));
    auto parsed = ParseTestCommand(args, RowsFrom::SavedCounts, std::move(inputs));
    if (!parsed) return ExitUsage;
    parsed->analysis.view = merged.counts.View();
    const std::unique_ptr<ReplacingFile> report = OpenReport(parsed->test);
    return PrintTests(
        merged.counts, parsed->test, parsed->analysis,
        [&] {
            return SourceFacts{merged.sources, MergedSourceLines(merged.names, merged.sources),
                               MergeProvenance(merged, shardRows)};
        },
        report.get(), nullptr);
}

}  // namespace brevane::cli
