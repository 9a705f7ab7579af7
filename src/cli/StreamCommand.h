#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "cli/Commands.h"
#include "models/ShuffleModel.h"
#include "os/OutputFile.h"

namespace brevane::cli {

// The arguments of the commands that stream generator output: `shuffle` and `keystream`.
struct StreamOptions {
    std::uint64_t count = 0;
    std::optional<std::string_view> key;
    std::optional<std::string_view> output;
    ShuffleModel model;  // `shuffle` only
    bool fromNewDeck = false;
    bool quiet = false;    // --quiet: no progress line
    unsigned threads = 0;  // --threads N (`shuffle` only); 0: DefaultThreadCount
    // --streams S and --stream s (`shuffle` only), as for the analysis commands.
    std::uint64_t streams = 1;
    std::optional<std::uint64_t> stream;
};

// What a streaming command takes besides --key and --output.
struct StreamCommand {
    std::string_view name;       // "shuffle"
    std::string_view countName;  // the operand as its help names it: "COUNT"
    std::uint64_t maxCount;
    bool modelOptions;  // --model MODEL, --from-new-deck and --threads N
};

// Parses "COUNT [--key HEX] [--output FILE] [--quiet]" in any order, COUNT being 1 to maxCount, and
// with modelOptions also "--model MODEL", "--from-new-deck", "--streams S" or "--stream s" and
// "--threads N", which becomes the
// process's default thread count. On a bad argument prints a one-line
// error naming it and returns nullopt.
std::optional<StreamOptions> ParseStreamArgs(const StreamCommand& command, Args args);

// Keys the process's generator from options.key (or the timer), then runs `write` into
// --output, replaced only once complete, or into standard output, where a reader that goes
// away ends the command quietly. Returns the exit status.
int RunStream(const StreamOptions& options, const std::function<void(FdWriter& out)>& write);

}  // namespace brevane::cli
