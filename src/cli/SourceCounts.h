#pragma once

#include <functional>
#include <optional>
#include <string_view>

#include "cli/AnalysisOptions.h"
#include "stats/ShuffleCounts.h"

namespace brevane::cli {

// Counts every row of a source in place of the process's own counting: a program that spreads
// the work over several processes installs one before running a command. It acts as
// CountSourceRows does, and may throw to leave the command on a process that prints nothing.
using SourceCounter = std::function<RowSource::Status(RowSource& source, ShuffleCounts& counts)>;
void SetSourceCounter(SourceCounter counter);
bool HasSourceCounter();

// Feeds every row of `source` to `counts` in list order, one batch of rows at a time, so that
// memory stays the same for any number of rows; an input file is counted on every thread
// (CountExportFile) when it is well formed. `counts` must be fresh; its first row index is that of
// the source's first row. Gives End when the source is used up, or the status it stopped with
// (BadLine, ReadFailed).
RowSource::Status CountSourceRows(RowSource& source, ShuffleCounts& counts);
// CountSourceRows in this process, whatever SourceCounter is installed.
RowSource::Status CountSourceRowsHere(RowSource& source, ShuffleCounts& counts);

// Opens `source` for `options` and counts all its rows into `counts` (made here for the options'
// seat view and first row) under the progress line of `command`. Gives ExitOk, or the exit
// status of a failure whose message has been printed, rows reaching past the last row index
// (RefuseRowsPastLastIndex) included.
int OpenAndCountRows(std::string_view command, const AnalysisOptions& options, RowSource& source,
                     std::optional<ShuffleCounts>& counts);

}  // namespace brevane::cli
