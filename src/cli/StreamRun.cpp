#include "cli/StreamRun.h"

#include "cli/CliSupport.h"
#include "streams/StreamKey.h"

namespace brevane::cli {

bool ParseStreamOption(std::string_view name, std::string_view value, std::uint64_t& streams,
                       std::optional<std::uint64_t>& stream, std::string& error) {
    const auto n = value == "0" ? std::optional<std::uint64_t>(0) : ParsePositiveCount(value);
    const bool plain = n && (value == "0" || value[0] != '0');
    if (name == "--streams") {
        if (!plain || *n == 0 || *n > MaxStreams) {
            error = "invalid stream count " + Quoted(value) + " (1 to 1048576)";
            return false;
        }
        streams = *n;
        return true;
    }
    if (!plain || *n >= MaxStreams) {
        error = "invalid stream index " + Quoted(value) + " (0 to 1048575)";
        return false;
    }
    stream = *n;
    return true;
}

std::optional<std::string> StreamOptionsRefusal(const AnalysisOptions& options) {
    const bool streamsGiven = options.streams != 1 || options.stream;
    if (!streamsGiven) return std::nullopt;
    if (options.streams != 1 && options.stream)
        return "give either --streams or --stream, not both";
    if (!options.shuffles) return "--streams and --stream go with --shuffles";
    if (options.firstRowGiven) {
        return "--first-row does not go with --streams or --stream: each stream is a list of "
               "its own, from row 0";
    }
    return std::nullopt;
}

StreamPlan PlanStreams(const AnalysisOptions& options, const GeneratorKey& runKey) {
    StreamPlan plan;
    plan.runKey = runKey;
    plan.model = options.model;
    plan.fromNewDeck = options.fromNewDeck;
    plan.shuffles = options.shuffles.value_or(0);
    plan.streams = options.streams;
    plan.only = options.stream;
    return plan;
}

}  // namespace brevane::cli
