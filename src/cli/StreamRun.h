#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "cli/AnalysisOptions.h"
#include "streams/StreamPlan.h"

namespace brevane::cli {

// Takes the value of --streams (1 to 2^20) into `streams` or of --stream (0 to 2^20 - 1) into
// `stream`, as `name` says; false with `error` set when the value is not one of those.
bool ParseStreamOption(std::string_view name, std::string_view value, std::uint64_t& streams,
                       std::optional<std::uint64_t>& stream, std::string& error);

// Why --streams or --stream does not go with the other options, if it does not.
std::optional<std::string> StreamOptionsRefusal(const AnalysisOptions& options);

// The streams of --streams or --stream for the run key `runKey`.
StreamPlan PlanStreams(const AnalysisOptions& options, const GeneratorKey& runKey);

}  // namespace brevane::cli
