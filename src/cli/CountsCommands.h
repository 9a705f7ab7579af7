#pragma once

#include "cli/Commands.h"
#include "stats/ShardMerge.h"

namespace brevane::cli {

// `report`, `test` and `map` over counts added up by `merge` instead of rows: `args` are the
// command's own arguments, without the options of rows, seat and stage, which the counts bring.
// Each prints what it would print after counting all the rows itself.
int RunReportOnCounts(Args args, const MergedShards& merged);
int RunTestOnCounts(Args args, const MergedShards& merged);
int RunMapOnCounts(Args args, const MergedShards& merged);

}  // namespace brevane::cli
