#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/AnalysisOptions.h"
#include "cli/ResultJson.h"
#include "os/OutputFile.h"
#include "report/EvaluationReport.h"
#include "stats/FairnessTests.h"
#include "stats/ShardMerge.h"
#include "stats/ShuffleCounts.h"

namespace brevane::cli {

// The source of one run for its report: the source JSON, the rows counted and, for an input
// file that is a regular file, its size.
ReportProvenance RunProvenance(const Json& source, const AnalysisOptions& options,
                               std::uint64_t rows);

// The sources of merged shards, each with the rows its counts file held (`shardRows`, in the
// order of the shards; none when not given).
ReportProvenance MergeProvenance(const MergedShards& merged,
                                 const std::vector<std::uint64_t>& shardRows);

// Writes the evaluation report of `result` over `counts` to `file`, named `path` in the page's
// command that makes it again, then puts it in place together with `saved` (a counts file
// written by the same command; null for none), so that either both take their places or
// neither does. The program, the time written (ReportWrittenAt) and the output's name are
// filled in here. Failures throw.
void WriteHtmlReport(const ShuffleCounts& counts, const FairnessResult& result,
                     ReportProvenance provenance, const std::string& path, ReplacingFile& file,
                     ReplacingFile* saved);

}  // namespace brevane::cli
