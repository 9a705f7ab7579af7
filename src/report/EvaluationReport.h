#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "stats/FairnessTests.h"
#include "stats/ShuffleCounts.h"

namespace brevane {

// Where rows came from, as a command names them: `source` is the JSON object of a result's
// "source" ({"file", "sha256"} or {"model", "key", "seed", "from_new_deck"}, other fields
// shown as they are, any other value as its JSON text).
struct ReportSource {
    std::string shard;  // the counts file that brought these rows, in a merge; else empty
    nlohmann::ordered_json source;
    std::optional<std::uint64_t> rows;
    std::optional<std::uint64_t> fileBytes;  // the size of the input file, when known
};

// What the report says about its making, beside the counts and the result.
struct ReportProvenance {
    // One source for a run, every shard's for a merge (`merged`), none for rows that no key or
    // file names (the window's list).
    std::vector<ReportSource> sources;
    bool merged = false;
    std::string program;         // "brevane-cli 1.02"
    std::int64_t writtenAt = 0;  // seconds since 1970 UTC (ReportWrittenAt)
    std::string outputName;      // the report's own file, for the command that repeats it
};

// The evaluation report as one self-contained HTML page (UTF-8, no scripts, nothing fetched):
// the title with the verdict and the summary, what was tested, the table of results, the
// pictures with their captions, a paragraph on each test's method and the command that makes
// the report again. `result` must be RunFairnessTests over `counts`. Every text taken from
// outside (file names, sources) is escaped. The bias maps are drawn by the bias map renderer,
// which needs a QGuiApplication (OffscreenPainting) for its fonts.
std::string BuildEvaluationReport(const ShuffleCounts& counts, const FairnessResult& result,
                                  const ReportProvenance& provenance);

}  // namespace brevane
