#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "analysis/Export.h"
#include "analysis/ShuffleList.h"
#include "cards/Cards.h"
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/ProgressLine.h"
#include "cli/StreamCommand.h"
#include "models/ShuffleRows.h"
#include "random/PRNG.h"
#include "random/PrepareGenerator.h"
#include "streams/StreamRows.h"
#include "work/ParallelRows.h"
#include "work/RowPipeline.h"

namespace brevane::cli {

namespace {

constexpr const char* ShuffleHelp =
    "Usage: brevane-cli shuffle COUNT [--key HEX] [--output FILE] [--model MODEL]\n"
    "                               [--from-new-deck] [--streams S | --stream s]\n"
    "                               [--threads N] [--quiet]\n"
    "\n"
    "Shuffles one deck COUNT times, each shuffle continuing from the order the last one left,\n"
    "and writes every order as one line: 52 two-letter card names separated by single spaces,\n"
    "ending in CR LF. The deck starts as 2c 2d 2h 2s 3c ... As.\n"
    "\n"
    "  COUNT            how many shuffles: a positive whole number\n"
    "  --key HEX        key the generator with 64 hexadecimal digits (32 bytes) instead of\n"
    "                   seeding it from the timer; the same key gives the same shuffles\n"
    "  --output FILE    write to FILE instead of standard output; FILE is replaced only once\n"
    "                   every line is written\n"
    "  --model MODEL    how each shuffle permutes the deck (default fisher-yates):\n"
    "                     fisher-yates       the unbiased Fisher-Yates pass\n"
    "                     naive-swap         swap each position with a random one (biased)\n"
    "                     byte-modulo        Fisher-Yates with one byte mod m per draw (biased)\n"
    "                     riffle[:K]         K riffle shuffles (default 7)\n"
    "                     overhand[:K]       K overhand shuffles (default 10)\n"
    "                     top-to-random[:K]  K top-card moves (default 236)\n"
    "                     shelf[:S]          a shelf machine with S shelves (default 10)\n"
    "                     strip[:P]          a strip into P packets laid in reverse (default 5)\n"
    "                     cut                one cut at a random place\n"
    "                   K is a whole number from 1 to 1000, S from 2 to 100, P from 2 to 52.\n"
    "                   MODEL+MODEL+... (up to 16) applies the models in turn for each\n"
    "                   shuffle; the casino hand shuffle is "
    "riffle:1+riffle:1+strip:5+riffle:1+cut\n"
    "  --from-new-deck  start every shuffle from 2c 2d ... As instead of the last order\n"
    "  --streams S      split the shuffles over S independent streams (1 to 1048576, default\n"
    "                   1), each from 2c 2d ... As with its own key, SHA-256(KEY ||\n"
    "                   \"brevane-stream\" || s as 8 bytes); the first COUNT mod S take one\n"
    "                   more; stream 0's rows come first, then stream 1's, ...\n"
    "  --stream s       write stream s alone (0 to 1048575), keyed as in --streams\n"
    "  --threads N      threads to use, 1 to 1024 (default: the number of cores); the\n"
    "                   output is the same for every count\n"
    "  --quiet          no progress line on standard error (shown only when it is a terminal)\n"
    "  --help           show this help\n";

constexpr std::size_t RowsPerBatch = 4096;
// With two threads or more the rows are made on a thread of their own, eight batches in the
// ring, while this thread turns them into lines: the draws are then all the maker does.
constexpr std::size_t PipelineSlots = 8;

void WriteRows(const std::uint8_t* rows, std::size_t count, FdWriter& out) {
    for (std::size_t k = 0; k < count; ++k) WriteExportLine(out, rows + k * DeckSize);
}

// Makes options.count shuffles with the process's generator, or of the streams of --streams or
// --stream keyed from it, writing each order as it is made.
void WriteShuffles(const StreamOptions& options, FdWriter& out) {
    WorkProgress progress(options.count);
    ProgressLine progressLine(progress, "shuffle", "rows", options.quiet);
    std::function<void(std::uint8_t*, std::size_t)> make;
    std::optional<ShuffleRowMaker> oneList;
    std::optional<StreamRowMaker> streams;
    if (options.streams >= 2 || options.stream) {
        StreamPlan plan;
        plan.runKey = TheShuffleGenerator().Key();
        plan.model = options.model;
        plan.fromNewDeck = options.fromNewDeck;
        plan.shuffles = options.count;
        plan.streams = options.streams;
        plan.only = options.stream;
        streams.emplace(plan);
        make = [&streams](std::uint8_t* rows, std::size_t count) { streams->Make(rows, count); };
    } else {
        oneList.emplace(TheShuffleGenerator(), options.model, options.fromNewDeck);
        make = [&oneList](std::uint8_t* rows, std::size_t count) { oneList->Make(rows, count); };
    }
    if (DefaultThreadCount() >= 2) {
        RowPipeline pipeline(options.count, RowsPerBatch, PipelineSlots, make);
        std::size_t count = 0;
        while (const std::uint8_t* rows = pipeline.Next(count)) {
            WriteRows(rows, count, out);
            progress.Advance(count);
        }
        return;
    }
    std::vector<std::uint8_t> rows(RowsPerBatch * DeckSize);
    for (std::uint64_t left = options.count; left > 0;) {
        const auto batch = static_cast<std::size_t>(std::min<std::uint64_t>(left, RowsPerBatch));
        make(rows.data(), batch);
        WriteRows(rows.data(), batch, out);
        left -= batch;
        progress.Advance(batch);
    }
}

}  // namespace

int RunShuffleCommand(Args args) {
    if (WantsHelp(args)) return WriteHelp(ShuffleHelp);
    const auto options = ParseStreamArgs({"shuffle", "COUNT", UINT64_MAX, true}, args);
    if (!options) return ExitUsage;
    return RunStream(*options, [&](FdWriter& out) { WriteShuffles(*options, out); });
}

}  // namespace brevane::cli
