#pragma once

#include <optional>
#include <string_view>

#include "cli/AnalysisOptions.h"
#include "stats/ShuffleCounts.h"

namespace brevane::cli {

// Feeds every row of `source` to `counts` in list order, one batch of rows at a time, so that
// memory stays the same for any number of rows; an input file is counted on every thread
// (CountExportFile) when it is well formed. `counts` must be fresh; its first row index is that of
// the source's first row. Gives End when the source is used up, or the status it stopped with
// (BadLine, ReadFailed).
RowSource::Status CountSourceRows(RowSource& source, ShuffleCounts& counts);

// Opens `source` for `options` and counts all its rows into `counts` (made here for the options'
// seat view and first row) under the progress line of `command`. Gives ExitOk, or the exit
// status of a failure whose message has been printed, rows reaching past the last row index
// (RefuseRowsPastLastIndex) included.
int OpenAndCountRows(std::string_view command, const AnalysisOptions& options, RowSource& source,
                     std::optional<ShuffleCounts>& counts);

}  // namespace brevane::cli
