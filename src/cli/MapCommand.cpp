#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include <sys/stat.h>

#include "cli/AnalysisOptions.h"
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/CountsCommands.h"
#include "cli/CountsOutput.h"
#include "cli/OutputClash.h"
#include "cli/ResultJson.h"
#include "cli/RunSource.h"
#include "cli/SourceCounts.h"
#include "os/OutputFile.h"
#include "render/BiasMapFile.h"
#include "stats/BiasMap.h"
#include "stats/ShuffleCounts.h"

namespace brevane::cli {

namespace {

constexpr std::string_view Command = "map";

constexpr const char* MapHelp =
    "Usage: brevane-cli map [--view cards|moves] (--input FILE | --shuffles COUNT [--key HEX])\n"
    "                       --output FILE.png|FILE.svg\n"
    "       brevane-cli map [--view cards|moves] ROWS --format csv|json [--output FILE]\n"
    "\n"
    "Draws the bias map of the rows: 52 x 52 cells whose colours show how far each count lies\n"
    "from what a fair shuffle gives.\n"
    "\n"
    "  --view cards    (default) a row per card, 2c to As, a column per deck position 1 to 52;\n"
    "                  a cell counts the rows that hold the card at the position\n"
    "  --view moves    a row per position of the earlier of two consecutive rows, a column per\n"
    "                  position of the later; a cell counts the pairs in which the card at the\n"
    "                  earlier position lies at the later one\n"
    "  --output FILE   where the picture goes, 760 x 720 pixels, PNG or SVG by the extension\n"
    "  --format FMT    png, svg, csv or json (default: png or svg by the extension of\n"
    "                  --output); csv and json go to standard output when there is no --output.\n"
    "                  csv: the count matrix with a header row and column; with --output FILE\n"
    "                  naming a regular file (or none yet), FILE.json is written beside it,\n"
    "                  holding what json holds but the counts. json: one object with\n"
    "                  \"program\", \"source\" (the input file and its SHA-256, or the model and\n"
    "                  the key, also a timer seed's), \"view\", \"total\" (M), \"row_axis\",\n"
    "                  \"column_axis\", \"row_labels\", \"column_labels\", \"alpha\", \"test\"\n"
    "                  (name, statistic, df, p, verdict) and \"counts\" (52 rows of 52)\n"
    "  --save-counts FILE  also write every count as JSON, as for `report`; only then do\n"
    "                  --players, --seat, --rotate and --stage go with map, choosing the hand\n"
    "                  categories saved\n"
    "  (the row options as for `report`; see report --help)\n"
    "\n"
    "A cell's colour is z = (O - E) / sqrt(E * 51/52), E = M / 52, M being the rows (cards) or\n"
    "the pairs (moves): white at 0, red at +4 and above (more often than chance), blue at -4\n"
    "and below. The title line gives M, and the verdict and p-value at the 0.01 level of the\n"
    "view's chi-square test, card-position or move-position as `test` computes them.\n"
    "\n"
    "Exit status: 0 when written; 2 for bad arguments, a bad input line (FILE:LINE:), no rows,\n"
    "or one row for moves, or an output that names an input (--output, FILE.json or\n"
    "--save-counts naming --input, or each other); 1 when reading or writing fails. The\n"
    "outputs are written under temporary names and put in place together once all are\n"
    "complete, so a failure leaves no partial file and every old file as it was.\n";

enum class MapFormat { Png, Svg, Csv, Json };

struct MapOptions {
    BiasView view = BiasView::Cards;
    std::optional<MapFormat> format;
    std::optional<std::string> output;
    std::vector<std::string_view> rest;  // for ParseAnalysisOptions
};

// The seat options of the shared parser, which the map has no use for: they only choose the
// hand categories of --save-counts.
constexpr std::string_view SeatOptions[] = {"--players", "--seat", "--stage", "--rotate"};

bool IsSeatOption(std::string_view arg) {
    for (const std::string_view option : SeatOptions) {
        if (arg == option || (arg.substr(0, option.size()) == option &&
                              arg.size() > option.size() && arg[option.size()] == '=')) {
            return true;
        }
    }
    return false;
}

std::optional<MapFormat> ParseFormat(std::string_view text) {
    if (text == "png") return MapFormat::Png;
    if (text == "svg") return MapFormat::Svg;
    if (text == "csv") return MapFormat::Csv;
    if (text == "json") return MapFormat::Json;
    return std::nullopt;
}

bool SavesCounts(Args args) {
    for (const std::string_view arg : args) {
        if (arg == EndOfOptions) return false;
        if (arg == "--save-counts" || arg.starts_with("--save-counts=")) return true;
    }
    return false;
}

// Takes --view, --format and --output out of the arguments; the rest go to the shared parser.
std::optional<MapOptions> ParseMapOptions(Args args) {
    MapOptions options;
    const auto fail = [](const std::string& message) {
        UsageError(Command, message);
        return std::nullopt;
    };
    const bool seatOptions = SavesCounts(args);
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (!seatOptions && IsSeatOption(args[i]))
            return fail("unknown option " + Quoted(args[i]) + " (see --help)");
        std::string_view value;
        std::string_view name = "--view";
        OptionMatch match = TakeOption(args, i, name, value);
        for (const std::string_view other : {"--format", "--output"}) {
            if (match != OptionMatch::No) break;
            name = other;
            match = TakeOption(args, i, name, value);
        }
        if (match == OptionMatch::No) {
            options.rest.push_back(args[i]);
        } else if (match == OptionMatch::MissingValue) {
            return fail(std::string(name) + " needs a value");
        } else if (name == "--view") {
            const auto view = BiasViewFromName(value);
            if (!view) return fail("invalid view " + Quoted(value) + " (cards or moves)");
            options.view = *view;
        } else if (name == "--format") {
            options.format = ParseFormat(value);
            if (!options.format)
                return fail("invalid format " + Quoted(value) + " (png, svg, csv or json)");
        } else {
            if (value.empty()) return fail("--output needs a file name");
            options.output = std::string(value);
        }
    }
    if (!options.format && options.output) {
        const auto picture = PictureFormatOfPath(*options.output);
        if (!picture) {
            return fail("cannot tell the picture format of " + Quoted(*options.output) +
                        ": name a .png or .svg file, or give --format");
        }
        options.format = *picture == PictureFormat::Png ? MapFormat::Png : MapFormat::Svg;
    }
    if (!options.format) return fail("give --output FILE.png or FILE.svg, or --format csv|json");
    const bool picture = *options.format == MapFormat::Png || *options.format == MapFormat::Svg;
    if (picture && !options.output) {
        return fail("a picture needs --output FILE");
    }
    return options;
}

// The file beside the CSV at `output` that holds the map's metadata, or nullopt when `output` is
// not a regular file (a device, a pipe) and so has no natural place beside it.
std::optional<std::string> CsvHeadPath(const std::string& output) {
    struct stat info {};
    if (stat(output.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) return std::nullopt;
    return output + ".json";
}

// Where the metadata of a CSV map goes, if anywhere.
std::optional<std::string> HeadPathFor(const MapOptions& mapOptions) {
    if (!mapOptions.output || *mapOptions.format != MapFormat::Csv) return std::nullopt;
    return CsvHeadPath(*mapOptions.output);
}

struct MapCommandOptions {
    MapOptions map;
    AnalysisOptions analysis;
};

// Refuses outputs that would write over one of `inputs`, the rows of --input or over each
// other, before anything is written; false when refused, the message printed.
bool OutputsApart(const MapOptions& mapOptions, const AnalysisOptions& options,
                  std::vector<NamedFile> inputs) {
    std::vector<NamedFile> outputs;
    if (mapOptions.output) outputs.push_back(OptionFile("--output", *mapOptions.output));
    if (const auto head = HeadPathFor(mapOptions))
        outputs.push_back({"the file written beside --output (" + Quoted(*head) + ")", *head});
    if (options.saveCounts) outputs.push_back(OptionFile("--save-counts", *options.saveCounts));
    if (options.input) inputs.push_back(OptionFile("--input", *options.input));
    const auto clash = OutputClash(outputs, inputs);
    if (clash) UsageError(Command, *clash);
    return !clash;
}

// `inputs` are files read before the rows, which no output may name.
std::optional<MapCommandOptions> ParseMapCommand(Args args, RowsFrom rowsFrom,
                                                 std::vector<NamedFile> inputs = {}) {
    auto mapOptions = ParseMapOptions(args);
    if (!mapOptions) return std::nullopt;
    auto options = ParseOperandFreeOptions(Command, mapOptions->rest, false, rowsFrom);
    if (!options) return std::nullopt;
    if (!OutputsApart(*mapOptions, *options, std::move(inputs))) return std::nullopt;
    if (*mapOptions->format == MapFormat::Json || HeadPathFor(*mapOptions))
        options->digestInput = true;
    return MapCommandOptions{std::move(*mapOptions), std::move(*options)};
}

// The map's files, opened when the options have been read so that an unwritable one fails at
// once; each takes the place of its target only once complete.
struct MapOutputs {
    std::unique_ptr<ReplacingFile> file;      // none: standard output
    std::unique_ptr<ReplacingFile> headFile;  // the metadata beside a CSV file
};

MapOutputs OpenOutputs(const MapOptions& mapOptions) {
    MapOutputs outputs;
    if (mapOptions.output) outputs.file = std::make_unique<ReplacingFile>(*mapOptions.output);
    if (const auto headPath = HeadPathFor(mapOptions))
        outputs.headFile = std::make_unique<ReplacingFile>(*headPath);
    return outputs;
}

// Whether the map's outputs name the row source.
bool NamesSource(const MapOptions& mapOptions) {
    return *mapOptions.format == MapFormat::Json || HeadPathFor(mapOptions).has_value();
}

// Draws the map of the counts into its outputs; `source` is the JSON outputs' "source". The
// counts file written to `saved`, if any, takes its place only with the map's files, or once
// standard output has taken the map.
int DrawMap(const ShuffleCounts& counts, const MapOptions& mapOptions, MapOutputs outputs,
            const Json& source, CountsOutput* saved = nullptr) {
    const BiasMap map(counts, mapOptions.view);
    std::string bytes;
    if (*mapOptions.format == MapFormat::Csv) {
        bytes = map.CsvText();
    } else if (*mapOptions.format == MapFormat::Json) {
        bytes = JsonLine(BiasMapJson(map, source, true)) + "\n";
    } else {
        const OffscreenPainting painting;
        const QByteArray picture = EncodeBiasMap(
            map, *mapOptions.format == MapFormat::Png ? PictureFormat::Png : PictureFormat::Svg);
        bytes.assign(picture.constData(), static_cast<std::size_t>(picture.size()));
    }
    if (!outputs.file) {
        WriteToStdout(bytes);
        if (saved) saved->Commit();
        return ExitOk;
    }
    outputs.file->Out().Write(bytes.data(), bytes.size());
    if (outputs.headFile) {
        const std::string head = JsonLine(BiasMapJson(map, source, false)) + "\n";
        outputs.headFile->Out().Write(head.data(), head.size());
    }
    ReplacingFile* const files[] = {outputs.file.get(), outputs.headFile.get(),
                                    saved ? saved->Written() : nullptr};
    CommitTogether(files);
    return ExitOk;
}

}  // namespace

// The output file is opened before the rows are read, so that an unwritable one fails at once;
// it takes the place of the target only once complete. Counting keeps one batch of rows and
// the counts in memory, whatever the number of rows.
int RunMapCommand(Args args) {
    if (WantsHelp(args)) return WriteHelp(MapHelp);
    const auto parsed = ParseMapCommand(args, RowsFrom::Options);
    if (!parsed) return ExitUsage;
    const AnalysisOptions& options = parsed->analysis;

    MapOutputs outputs = OpenOutputs(parsed->map);
    CountsOutput saved(options);
    RowSource source;
    std::optional<ShuffleCounts> counted;
    if (const int status = OpenAndCountRows(Command, options, source, counted); status != ExitOk)
        return status;
    const ShuffleCounts& counts = *counted;
    if (const auto shortage = BiasMapShortage(counts.Rows(), parsed->map.view)) {
        return UsageError(Command, *shortage);
    }
    saved.Write(counts, options, source);
    return DrawMap(counts, parsed->map, std::move(outputs),
                   NamesSource(parsed->map) ? SourceJson(options, source) : Json(), &saved);
}

int RunMapOnCounts(Args args, const MergedShards& merged, const std::vector<std::string>& files) {
    if (WantsHelp(args)) return WriteHelp(MapHelp);
    std::vector<NamedFile> inputs;
    for (const std::string& file : files)
        inputs.push_back(LabelledFile("the counts file " + Quoted(file), file));
    const auto parsed = ParseMapCommand(args, RowsFrom::SavedCounts, std::move(inputs));
    if (!parsed) return ExitUsage;
    if (const auto shortage = BiasMapShortage(merged.counts.Rows(), parsed->map.view)) {
        return UsageError(Command, *shortage);
    }
    return DrawMap(merged.counts, parsed->map, OpenOutputs(parsed->map), merged.sources);
}

}  // namespace brevane::cli
