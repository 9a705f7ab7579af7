#include <optional>
#include <string>
#include <vector>

#include "cli/AnalysisOptions.h"
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/CountsCommands.h"
#include "cli/CountsOutput.h"
#include "stats/ShardMerge.h"
#include "streams/StreamShards.h"

namespace brevane::cli {

namespace {

constexpr std::string_view Command = "merge";

constexpr const char* MergeHelp =
    "Usage: brevane-cli merge FILE... report REPORT [SELECTION] [OPTIONS]\n"
    "       brevane-cli merge FILE... test [OPTIONS]\n"
    "       brevane-cli merge FILE... map [OPTIONS]\n"
    "\n"
    "Adds up the counts that report, test or map saved with --save-counts, and prints what the\n"
    "command would print after one run over all their rows, except that the source it names\n"
    "is every file's. The command takes its own options (--alpha, --format, --view, --output,\n"
    "...), but neither rows nor seat: no --input, --shuffles, --key, --model, --from-new-deck,\n"
    "--first-row, --players, --seat, --rotate or --stage, for the files bring those with them.\n"
    "\n"
    "  - The files must all be of one seat and stage, hold at most 2^63 - 1 shuffles\n"
    "    together, and no two may hold the same rows: one input file's SHA-256, one key with\n"
    "    one model and --from-new-deck, or, whatever their sources, equal counts and equal\n"
    "    first and last rows (one file saved twice, once with other line ends).\n"
    "  - Counts of --input files are parts of one list: a part that starts where another ends\n"
    "    (its --first-row is the other's --first-row plus its rows) is joined to it, and the\n"
    "    pair of rows across the join counts in the moves, rising-sequence and fixed-point\n"
    "    counts, whatever the order the files are named in. Parts whose rows overlap are\n"
    "    refused.\n"
    "  - Several parts of --input files saved without --first-row (all at row 0) are joined in\n"
    "    the order named; with a rotating seat they are refused, since each rotated from its\n"
    "    own first row.\n"
    "  - Counts of --shuffles runs only bring the pairs within each run; map --view moves\n"
    "    needs at least one such pair.\n"
    "  - The counts of --stream 0 to --stream S-1 of one key, model and starting deck, each\n"
    "    with its share of N as --streams S cuts it, print what --streams S prints, its\n"
    "    source included.\n"
    "  - A counts file is read up to 16 MiB (one holds about 300 KB) and 8 levels of nesting;\n"
    "    it must be one JSON value, with nothing after it but white space, no key twice in an\n"
    "    object and no number beyond the range of a double.\n"
    "\n"
    "Exit status as for the command; 2 when a file cannot be read, is not a counts file, or\n"
    "the files do not merge: the message names the files; 2 also when an output of map\n"
    "names one of the files.\n";

bool IsCountsCommand(std::string_view arg) {
    return arg == "report" || arg == "test" || arg == "map";
}

}  // namespace

int RunMergeCommand(Args args) {
    std::size_t at = 0;
    while (at < args.size() && !IsCountsCommand(args[at])) {
        if (IsHelpOption(args[at])) return WriteHelp(MergeHelp);
        if (args[at].size() > 1 && args[at][0] == '-') {
            return UsageError(Command, "unknown option " + Quoted(args[at]) +
                                           " (the command's options go after it)");
        }
        ++at;
    }
    if (at == args.size())
        return UsageError(Command, "name the command after the files: report, test or map");
    if (at == 0) return UsageError(Command, "give the counts files before the command");

    std::vector<Shard> shards;
    std::vector<std::uint64_t> shardRows;
    for (std::size_t i = 0; i < at; ++i) {
        const std::string name(args[i]);
        try {
            shards.push_back(Shard{name, LoadCountsFile(name)});
            shardRows.push_back(shards.back().saved.counts.Rows());
        } catch (const CountsFileError& error) {
            return UsageError(Command, name + ": " + error.what());
        }
    }
    // Every stream of one run prints as that run does.
    const auto streamRun = TakeStreamRun(shards);
    if (streamRun) {
        for (std::size_t i = 0; i < shards.size(); ++i)
            shardRows[i] = shards[i].saved.counts.Rows();
    }
    std::optional<MergedShards> merged;
    try {
        merged.emplace(MergeShards(shards));
        if (streamRun) merged->sources = *streamRun;
    } catch (const ShardMergeError& error) {
        return UsageError(Command, error.what());
    }

    const std::string_view command = args[at];
    const Args rest(args.data() + at + 1, args.size() - at - 1);
    if (command == "report") return RunReportOnCounts(rest, *merged);
    if (command == "test") return RunTestOnCounts(rest, *merged, shardRows);
    return RunMapOnCounts(rest, *merged, std::vector<std::string>(args.begin(), args.begin() + at));
}

}  // namespace brevane::cli
