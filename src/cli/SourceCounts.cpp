#include "cli/SourceCounts.h"

#include <vector>

#include "cards/Cards.h"
#include "work/ParallelExport.h"
#include "work/ParallelRows.h"

namespace brevane::cli {

RowSource::Status CountSourceRows(RowSource& source, ShuffleCounts& counts) {
    if (std::FILE* file = source.ParallelFile()) {
        const SeatView view = counts.View();
        const std::uint64_t base = counts.FirstRowIndex();
        auto parallel = CountExportFile<ShuffleCounts>(
            file, [&](std::uint64_t firstRow) { return ShuffleCounts(view, base + firstRow); },
            DefaultThreadCount(), &source.Progress());
        if (parallel) {
            counts = std::move(*parallel);
            return RowSource::Status::End;
        }
        source.Rewind();
    }
    RowSource::Status status;
    do {
        const std::uint8_t* rows = nullptr;
        std::size_t count = 0;
        status = source.TakeBatch(rows, count);
        counts.AddRows(rows, count);
    } while (status == RowSource::Status::Row);
    return status;
}

}  // namespace brevane::cli
