#include "cli/SourceCounts.h"

#include <vector>

#include "cards/Cards.h"

namespace brevane::cli {

namespace {

// Rows handed to the counts at once: 52 KiB.
constexpr std::size_t BatchRows = 1024;

}  // namespace

RowSource::Status CountSourceRows(RowSource& source, ShuffleCounts& counts) {
    std::vector<std::uint8_t> batch(BatchRows * DeckSize);
    RowSource::Status status = RowSource::Status::Row;
    while (status == RowSource::Status::Row) {
        std::size_t rows = 0;
        while (rows < BatchRows &&
               (status = source.Next(&batch[rows * DeckSize])) == RowSource::Status::Row) {
            ++rows;
        }
        counts.AddRows(batch.data(), rows);
    }
    return status;
}

}  // namespace brevane::cli
