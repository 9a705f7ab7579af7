#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "cli/AnalysisOptions.h"

namespace brevane::cli {

// The "program" of every JSON result: "brevane-cli VERSION", as --version prints it.
std::string ProgramText();

// The "source" of every JSON result, enough to find or make the same rows again:
//   {"file": NAME, "sha256": HEX} for --input (NAME "-" for standard input), or
//   {"model": MODEL, "key": HEX, "seed": "timer"|"key", "from_new_deck": BOOL} for --shuffles,
// where KEY is the key the generator ran with, the timer's included, so that --key KEY makes
// the same rows. Call once every row has been read; standard input needs digestInput.
nlohmann::ordered_json SourceJson(const AnalysisOptions& options, RowSource& source);

}  // namespace brevane::cli
