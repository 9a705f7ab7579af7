#include "cli/StreamCommand.h"

#include <string>
#include <system_error>
#include <utility>

#include "cli/CliSupport.h"
#include "cli/StreamRun.h"
#include "random/PRNG.h"
#include "random/PrepareGenerator.h"
#include "work/ParallelRows.h"

namespace brevane::cli {

std::optional<StreamOptions> ParseStreamArgs(const StreamCommand& command, Args args) {
    const bool modelOptions = command.modelOptions;
    const std::string prefix = std::string(command.name) + ": ";
    const std::string seeHelp = " (see " + std::string(command.name) + " --help)";
    const auto fail = [&](const std::string& message) {
        PrintError(prefix + message);
        return std::nullopt;
    };
    StreamOptions options;
    std::optional<std::string_view> countText;
    std::optional<std::string_view> modelText;
    std::optional<std::string_view> threadsText;
    std::optional<std::string_view> streamsText;
    std::optional<std::string_view> streamText;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (!optionsEnded && arg == EndOfOptions) {
            optionsEnded = true;
            continue;
        }
        if (optionsEnded) {
            if (countText) return fail("unexpected argument " + Quoted(arg) + seeHelp);
            countText = arg;
            continue;
        }
        std::string_view value;
        bool matched = false;
        for (auto [name, target] : {std::pair{"--key", &options.key},
                                    {"--output", &options.output},
                                    {"--model", &modelText},
                                    {"--threads", &threadsText},
                                    {"--streams", &streamsText},
                                    {"--stream", &streamText}}) {
            if (!modelOptions && target != &options.key && target != &options.output) continue;
            const OptionMatch match = TakeOption(args, i, name, value);
            if (match == OptionMatch::MissingValue)
                return fail(std::string(name) + " needs a value");
            if (match == OptionMatch::Yes) {
                // Every --key is checked, not only the last one, which is the one used.
                GeneratorKey key;
                if (target == &options.key && !ParseGeneratorKey(value, key)) {
                    PrintError(InvalidKeyMessage(value));
                    return std::nullopt;
                }
                if (target == &threadsText) {
                    std::string error;
                    const auto threads = ParseThreadCount(value, error);
                    if (!threads) return fail(error);
                    options.threads = *threads;
                }
                *target = value;
                matched = true;
                break;
            }
        }
        if (matched) continue;
        if (arg == "--quiet") {
            options.quiet = true;
            continue;
        }
        if (modelOptions && arg == "--from-new-deck") {
            options.fromNewDeck = true;
            continue;
        }
        if (arg.size() > 1 && arg.starts_with("--"))
            return fail("unknown option " + Quoted(arg) + seeHelp);
        if (countText) return fail("unexpected argument " + Quoted(arg) + seeHelp);
        countText = arg;
    }
    if (!countText) return fail("missing " + std::string(command.countName) + seeHelp);
    const auto count = ParsePositiveCount(*countText);
    if (!count || *count > command.maxCount) {
        std::string expected = "expected a positive whole number";
        if (command.maxCount != UINT64_MAX)
            expected += " up to " + std::to_string(command.maxCount);
        PrintError("invalid count " + Quoted(*countText) + ": " + expected);
        return std::nullopt;
    }
    options.count = *count;
    if (options.output && options.output->empty()) return fail("--output needs a file name");
    if (modelText) {
        std::string error;
        const auto model = ParseModelArgument(*modelText, error);
        if (!model) return fail(error);
        options.model = *model;
    }
    std::string error;
    if (streamsText &&
        !ParseStreamOption("--streams", *streamsText, options.streams, options.stream, error))
        return fail(error);
    if (streamText &&
        !ParseStreamOption("--stream", *streamText, options.streams, options.stream, error))
        return fail(error);
    if (options.streams != 1 && options.stream)
        return fail("give either --streams or --stream, not both");
    if (options.threads != 0) SetDefaultThreadCount(options.threads);
    return options;
}

int RunStream(const StreamOptions& options, const std::function<void(FdWriter& out)>& write) {
    std::string keyError;
    if (!PrepareGenerator(options.key, keyError)) {
        PrintError(keyError);
        return ExitUsage;
    }
    // A pipe as --output whose reader stops ends the command as standard output's does.
    try {
        if (options.output) {
            ReplacingFile file{std::string(*options.output)};
            write(file.Out());
            file.Commit();
            return ExitOk;
        }
        StdoutWriter out;
        write(out);
        out.Flush();
    } catch (const std::system_error& error) {
        if (IsBrokenPipe(error)) return ExitOk;
        throw;
    }
    return ExitOk;
}

}  // namespace brevane::cli
