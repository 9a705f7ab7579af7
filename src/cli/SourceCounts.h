#pragma once

#include "cli/AnalysisOptions.h"
#include "stats/ShuffleCounts.h"

namespace brevane::cli {

// Feeds every row of `source` to `counts` in list order, one batch of rows at a time, so that
// memory stays the same for any number of rows; an input file is counted on every thread
// (CountExportFile) when it is well formed. `counts` must be fresh; its first row index is that of
// the source's first row. Gives End when the source is used up, or the status it stopped with
// (BadLine, ReadFailed).
RowSource::Status CountSourceRows(RowSource& source, ShuffleCounts& counts);

}  // namespace brevane::cli
