#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "analysis/Reports.h"
#include "cli/AnalysisOptions.h"

namespace brevane::cli {

// The "program" of every JSON result: "brevane-cli VERSION", as --version prints it.
std::string ProgramText();

// The "source" of every JSON result, enough to find or make the same rows again:
//   {"file": NAME, "sha256": HEX} for --input (NAME "-" for standard input), or
//   {"model": MODEL, "key": HEX, "seed": "timer"|"key", "from_new_deck": BOOL} for --shuffles,
// followed by "streams": S for --streams S (S >= 2) or "stream": s for --stream s, where KEY is the
// key the generator ran with, the timer's included, so that --key KEY makes the same rows. Call
// once every row has been read; standard input needs digestInput.
nlohmann::ordered_json SourceJson(const AnalysisOptions& options, RowSource& source);

// The "Source:" line of a text result, from a source as SourceJson makes it:
//   "Source: file NAME, SHA-256 HEX" ("standard input" for NAME "-"; HEX "unknown" when the
//   source has none), or
//   "Source: model MODEL[, each shuffle from a new deck], key HEX[ (chosen by the timer)]
//   [, S streams | , stream s]".
// A source of another shape (a counts file may hold any object) is shown as its JSON. Every
// text is made printable (PrintableText), so that the line stays one line.
Report SourceLines(const nlohmann::ordered_json& source);

// The source lines of merged shards: "Source: N counts files", then "  NAME: " and the text of
// each shard's source, in the order given. `names` and `sources` go together. A `sources` that
// is one object, the run whose streams the shards hold, gives its SourceLines.
Report MergedSourceLines(const std::vector<std::string>& names,
                         const nlohmann::ordered_json& sources);

}  // namespace brevane::cli
