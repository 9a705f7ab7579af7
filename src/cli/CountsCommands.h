#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "stats/ShardMerge.h"

namespace brevane::cli {

// `report`, `test` and `map` over counts added up by `merge` instead of rows: `args` are the
// command's own arguments, without the options of rows, seat and stage, which the counts bring.
// Each prints what it would print after counting all the rows itself.
int RunReportOnCounts(Args args, const MergedShards& merged);
// `shardRows`: the rows of each counts file, in the order of merged.names, for the html report.
int RunTestOnCounts(Args args, const MergedShards& merged,
                    const std::vector<std::uint64_t>& shardRows = {});
// `files` are the counts files merged, which map's outputs may not name.
int RunMapOnCounts(Args args, const MergedShards& merged, const std::vector<std::string>& files);

}  // namespace brevane::cli
