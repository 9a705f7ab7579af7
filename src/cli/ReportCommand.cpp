#include <cstdio>
#include <optional>
#include <string>
#include <system_error>
#include <type_traits>
#include <variant>
#include <vector>

#include "analysis/Messages.h"
#include "analysis/ReportLines.h"
#include "cards/Cards.h"
#include "cli/AnalysisOptions.h"
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/CountsCommands.h"
#include "cli/CountsOutput.h"
#include "cli/ProgressLine.h"
#include "cli/ReportFormats.h"
#include "cli/RunSource.h"
#include "cli/SourceCounts.h"
#include "stats/ReportsFromCounts.h"
#include "work/ParallelExport.h"
#include "work/ParallelRows.h"

namespace brevane::cli {

namespace {

constexpr std::string_view Command = "report";

constexpr const char* ReportHelp =
    "Usage: brevane-cli report REPORT [SELECTION] (--input FILE | --shuffles COUNT [--key HEX]\n"
    "                          [--model MODEL] [--from-new-deck])\n"
    "                          [--players N] [--seat D|D-k] [--rotate] [--stage STAGE]\n"
    "                          [--first-row R] [--save-counts FILE] [--format text|csv|json]\n"
    "                          [--threads N] [--quiet]\n"
    "\n"
    "Prints a report over every row, one line each.\n"
    "\n"
    "  suit Club|Diamond|Heart|Spade   rows holding the suit, per deck position\n"
    "  rank 2..9|T|J|Q|K|A             rows holding the rank, per deck position\n"
    "  card 2c..As                     rows holding the card, per deck position\n"
    "  position 1..52                  suits, ranks and cards found at the deck position\n"
    "  categories                      hand categories of a seat at a stage\n"
    "\n"
    "  --input FILE      rows in the export format; - reads standard input\n"
    "  --shuffles COUNT  make COUNT shuffles as `shuffle` does, without storing them\n"
    "  --key HEX         key for --shuffles (64 hexadecimal digits); default: timer seed\n"
    "  --model MODEL     shuffle model for --shuffles, as for `shuffle` (default fisher-yates)\n"
    "  --from-new-deck   with --shuffles, start every shuffle from 2c 2d ... As\n"
    "  --streams S       with --shuffles, split them over S independent streams (1 to\n"
    "                    1048576, default 1), each its own list from 2c 2d ... As with the\n"
    "                    key SHA-256(KEY || \"brevane-stream\" || s as 8 bytes); the counts\n"
    "                    are added up; --stream s runs stream s alone\n"
    "  --players N       2 to 10 (default 10)\n"
    "  --seat D|D-k      the seat (default D); --rotate makes it move with every row\n"
    "  --stage STAGE     hole, flop, turn or river (default river)\n"
    "  --first-row R     the rows start at row R (0-based) of a longer list: a rotating seat\n"
    "                    stands where it would in one run over the whole list (default 0);\n"
    "                    R plus the rows may not pass 2^63 - 1\n"
    "  --save-counts FILE  also write every count of report, test and map as JSON, for\n"
    "                    `brevane-cli merge` to add up with others (see merge --help); put in\n"
    "                    place only once the command's output is written, and refused when\n"
    "                    it names the --input file\n"
    "  --format FORMAT   text (default), csv or json. csv: a header row section,label,count,\n"
    "                    percent, then one row per count line, LF line ends, RFC 4180\n"
    "                    quoting; json: one object with \"program\", \"source\" (the input\n"
    "                    file and its SHA-256, or the model and the key, also a timer seed's),\n"
    "                    \"report\", \"selection\" (or \"players\", \"seat\", \"rotate\" and\n"
    "                    \"stage\"), \"shuffles\" and \"rows\" (section, label, count, percent)\n"
    "  --threads N       threads to use, 1 to 1024 (default: the number of cores); the output\n"
    "                    is the same for every count\n"
    "  --quiet           no progress line on standard error (shown only when it is a terminal)\n"
    "\n"
    "Text percentages use the decimal separator of the locale; csv and json always use \".\".\n"
    "A bad input line is reported as FILE:LINE: with status 2, and no report is printed.\n";

using AnyCounter = std::variant<PositionCounter, DeckPosCounter, HandCategoryCounter>;

// The counter for the report named by the operands, or an error message.
std::variant<AnyCounter, std::string> CounterFor(const AnalysisOptions& options) {
    const auto& operands = options.operands;
    if (operands.empty()) return "name a report: suit, rank, card, position or categories";
    const std::string_view kind = operands[0];
    if (kind != "suit" && kind != "rank" && kind != "card" && kind != "position" &&
        kind != "categories") {
        return "unknown report " + Quoted(kind) + " (suit, rank, card, position or categories)";
    }
    const std::size_t wanted = kind == "categories" ? 1 : 2;
    if (operands.size() < wanted) return "report " + std::string(kind) + " needs a selection";
    if (operands.size() > wanted) return "unexpected argument " + Quoted(operands[wanted]);
    if (kind == "categories") {
        return HandCategoryCounter(options.view, static_cast<std::int64_t>(options.firstRow));
    }
    const std::string_view selection = operands[1];
    if (kind == "suit") {
        for (int s = 0; s < SuitCount; ++s) {
            if (SuitNames[static_cast<std::size_t>(s)] == selection) {
                return PositionCounter::ForSuit(s);
            }
        }
        return "unknown suit " + Quoted(selection) + " (Club, Diamond, Heart or Spade)";
    }
    if (kind == "rank") {
        const auto r = RankLetters.find(selection);
        if (selection.size() == 1 && r != std::string_view::npos) {
            return PositionCounter::ForRank(static_cast<int>(r));
        }
        return "unknown rank " + Quoted(selection) + " (2 to 9, T, J, Q, K or A)";
    }
    if (kind == "card") {
        const CardCode code = ParseCardName(selection);
        if (code != 0) return PositionCounter::ForCard(code);
        return "unknown card " + Quoted(selection) + " (2c to As)";
    }
    for (int p = 1; p <= DeckSize; ++p) {
        if (std::to_string(p) == selection) return DeckPosCounter(p);
    }
    return "unknown deck position " + Quoted(selection) + " (1 to 52)";
}

// An empty counter like `empty`, for the rows from `firstRow` on.
template <class Counter>
Counter FreshAt(const Counter& empty, std::uint64_t firstRow) {
    if constexpr (std::is_same_v<Counter, HandCategoryCounter>) {
        return HandCategoryCounter(empty.View(), static_cast<std::int64_t>(firstRow));
    } else {
        return empty;
    }
}

// Counts an input file on every thread into the fresh `counter`, whose rows start at row index
// `base`; false when that is not possible, the file being read in one pass then.
bool CountInParallel(RowSource& source, AnyCounter& counter, std::uint64_t base) {
    std::FILE* file = source.ParallelFile();
    if (!file) return false;
    const bool counted = std::visit(
        [&](auto& empty) {
            using Counter = std::decay_t<decltype(empty)>;
            auto parallel = CountExportFile<Counter>(
                file, [&](std::uint64_t firstRow) { return FreshAt(empty, base + firstRow); },
                source.ParallelOptions());
            if (parallel) empty = std::move(*parallel);
            return parallel.has_value();
        },
        counter);
    if (!counted) source.Rewind();
    return counted;
}

ReportTable TableFrom(const AnyCounter& counter, const AnalysisOptions& options) {
    if (const auto* hands = std::get_if<HandCategoryCounter>(&counter)) {
        return BuildReportTable(*hands);
    }
    const std::string_view selection = options.operands[1];
    if (const auto* position = std::get_if<PositionCounter>(&counter)) {
        return BuildReportTable(*position, selection);
    }
    return BuildReportTable(std::get<DeckPosCounter>(counter), selection);
}

// Counts every row of the source into the fresh `counter`. With --save-counts every count is
// made (ShuffleCounts), as for streams, and written to `saved`, and the counter takes its report's
// part of them. Gives ExitOk or the exit status of a failure, whose message has been printed.
int CountRows(const AnalysisOptions& options, RowSource& source, AnyCounter& counter,
              CountsOutput& saved) {
    std::optional<ShuffleCounts> all;
    ProgressLine progressLine(source.Progress(), Command, "rows", options.quiet);
    RowSource::Status status = RowSource::Status::End;
    // Streams are counted as lists of their own, which every counter can take from the counts.
    if (saved.Wanted() || source.Streams() || HasSourceCounter()) {
        all.emplace(options.view, options.firstRow, options.fromNewDeck);
        status = CountSourceRows(source, *all);
    } else if (!CountInParallel(source, counter, options.firstRow)) {
        do {
            const std::uint8_t* batch = nullptr;
            std::size_t got = 0;
            status = source.TakeBatch(batch, got);
            if (got != 0) std::visit([&](auto& c) { c.AddRows(batch, got); }, counter);
        } while (status == RowSource::Status::Row);
    }
    progressLine.Stop();
    if (status != RowSource::Status::End) return SourceError(source, status);
    const std::uint64_t rows =
        all ? all->Rows() : std::visit([](const auto& c) { return c.Rows(); }, counter);
    if (const int refused = RefuseRowsPastLastIndex(Command, options, rows); refused != ExitOk)
        return refused;
    if (all && all->Rows() != 0) {
        saved.Write(*all, options, source);
        std::visit([&](auto& c) { AddShuffleCounts(c, *all); }, counter);
    }
    return ExitOk;
}

// The report of the counted rows on standard output, in `format`; `source` is the JSON
// output's "source".
int PrintReport(const AnyCounter& counter, const AnalysisOptions& options, OutputFormat format,
                const Json& source) {
    const std::uint64_t rows = std::visit([](const auto& c) { return c.Rows(); }, counter);
    if (rows == 0) return UsageError(Command, NoHandsDealtText);
    WriteToStdout(
        RenderReport(TableFrom(counter, options), format, LocaleDecimalSeparator(), source));
    return ExitOk;
}

}  // namespace

// Counts every row of the input before printing, so a bad line anywhere leaves standard output
// empty; the counters hold a fixed amount of state, whatever the number of rows.
int RunReportCommand(Args args) {
    if (WantsHelp(args)) return WriteHelp(ReportHelp);
    const auto format = TakeFormatOption(
        Command, args, {OutputFormat::Text, OutputFormat::Csv, OutputFormat::Json});
    if (!format) return ExitUsage;
    auto options = ParseAnalysisOptions(Command, format->rest, false);
    if (!options) return ExitUsage;
    if (format->format == OutputFormat::Json) options->digestInput = true;
    auto made = CounterFor(*options);
    if (const auto* message = std::get_if<std::string>(&made)) return UsageError(Command, *message);
    AnyCounter& counter = std::get<AnyCounter>(made);

    RowSource source;
    if (!source.Open(*options)) return UsageError(Command, source.Error());
    CountsOutput saved(*options);
    const int counted = CountRows(*options, source, counter, saved);
    if (counted != ExitOk) return counted;
    const bool json = format->format == OutputFormat::Json;
    const int status = PrintReport(counter, *options, format->format,
                                   json ? SourceJson(*options, source) : Json());
    saved.Commit();
    return status;
}

int RunReportOnCounts(Args args, const MergedShards& merged) {
    if (WantsHelp(args)) return WriteHelp(ReportHelp);
    const auto format = TakeFormatOption(
        Command, args, {OutputFormat::Text, OutputFormat::Csv, OutputFormat::Json});
    if (!format) return ExitUsage;
    auto options = ParseAnalysisOptions(Command, format->rest, false, RowsFrom::SavedCounts);
    if (!options) return ExitUsage;
    options->view = merged.counts.View();
    auto made = CounterFor(*options);
    if (const auto* message = std::get_if<std::string>(&made)) return UsageError(Command, *message);
    AnyCounter& counter = std::get<AnyCounter>(made);
    std::visit([&](auto& c) { AddShuffleCounts(c, merged.counts); }, counter);
    return PrintReport(counter, *options, format->format, merged.sources);
}

}  // namespace brevane::cli
