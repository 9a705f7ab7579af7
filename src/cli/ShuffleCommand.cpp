#include <cstdio>
#include <memory>
#include <optional>
#include <string_view>

#include "analysis/Export.h"
#include "analysis/ShuffleList.h"
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "random/PRNG.h"
#include "random/PrepareGenerator.h"

namespace brevane::cli {

namespace {

constexpr const char* ShuffleHelp =
    "Usage: brevane-cli shuffle COUNT [--key HEX] [--output FILE]\n"
    "\n"
    "Shuffles one deck COUNT times, each shuffle continuing from the order the last one left,\n"
    "and writes every order as one line: 52 two-letter card names separated by single spaces,\n"
    "ending in CR LF. The deck starts as 2c 2d 2h 2s 3c ... As.\n"
    "\n"
    "  COUNT          how many shuffles: a positive whole number\n"
    "  --key HEX      key the generator with 64 hexadecimal digits (32 bytes) instead of\n"
    "                 seeding it from the timer; the same key gives the same shuffles\n"
    "  --output FILE  write to FILE instead of standard output; FILE is replaced only once\n"
    "                 every line is written\n"
    "  --help         show this help\n";

struct ShuffleOptions {
    std::uint64_t count = 0;
    std::optional<std::string_view> key;
    std::optional<std::string_view> output;
};

// Parses the arguments; on a bad one prints its error and returns nullopt. Every --key is
// checked, not only the last one, which is the one used.
std::optional<ShuffleOptions> ParseShuffleArgs(Args args) {
    ShuffleOptions options;
    std::optional<std::string_view> countText;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (!optionsEnded && arg == EndOfOptions) {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded) {
            std::string_view value;
            OptionMatch match = TakeOption(args, i, "--key", value);
            if (match == OptionMatch::Yes) {
                GeneratorKey key;
                if (!ParseGeneratorKey(value, key)) {
                    PrintError(InvalidKeyMessage(value));
                    return std::nullopt;
                }
                options.key = value;
                continue;
            }
            if (match == OptionMatch::No) match = TakeOption(args, i, "--output", value);
            if (match == OptionMatch::Yes) {
                options.output = value;
                continue;
            }
            if (match == OptionMatch::MissingValue) {
                PrintError("shuffle: " + std::string(arg) + " needs a value");
                return std::nullopt;
            }
            if (arg.size() > 1 && arg.starts_with("--")) {
                PrintError("shuffle: unknown option " + Quoted(arg) + " (see shuffle --help)");
                return std::nullopt;
            }
        }
        if (countText) {
            PrintError("shuffle: unexpected argument " + Quoted(arg) + " (see shuffle --help)");
            return std::nullopt;
        }
        countText = arg;
    }
    if (!countText) {
        PrintError("shuffle: missing COUNT (see shuffle --help)");
        return std::nullopt;
    }
    const auto count = ParsePositiveCount(*countText);
    if (!count) {
        PrintError("invalid count " + Quoted(*countText) + ": expected a positive whole number");
        return std::nullopt;
    }
    options.count = *count;
    if (options.output && options.output->empty()) {
        PrintError("shuffle: --output needs a file name");
        return std::nullopt;
    }
    return options;
}

// Shuffles the deck `count` times with the process's generator, writing each order.
void WriteShuffles(std::uint64_t count, FdWriter& out) {
    ShuffleGenerator& generator = TheShuffleGenerator();
    Deck deck = InitialDeck();
    std::uint8_t row[ShuffleList::RowBytes];
    for (std::uint64_t k = 0; k < count; ++k) {
        generator.ShuffleDeck(deck);
        CopyDeckToRow(deck, row);
        WriteExportLine(out, row);
    }
}

}  // namespace

int RunShuffleCommand(Args args) {
    if (WantsHelp(args)) return WriteHelp(ShuffleHelp);
    const auto options = ParseShuffleArgs(args);
    if (!options) return ExitUsage;
    std::string keyError;
    if (!PrepareGenerator(options->key, keyError)) {
        PrintError(keyError);
        return ExitUsage;
    }
    // A pipe as --output whose reader stops ends the command as standard output's does.
    try {
        if (options->output) {
            ReplacingFile file{std::string(*options->output)};
            WriteShuffles(options->count, file.Out());
            file.Commit();
            return ExitOk;
        }
        StdoutWriter out;
        WriteShuffles(options->count, out);
        out.Flush();
    } catch (const std::system_error& error) {
        if (IsBrokenPipe(error)) return ExitOk;
        throw;
    }
    return ExitOk;
}

}  // namespace brevane::cli
