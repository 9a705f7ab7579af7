#pragma once

#include <string>
#include <vector>

#include "stats/ShuffleCounts.h"
#include "support/LiteralStats.h"

namespace brevane::test {

// The counts of `rows` in list order, the first of them at row index `firstRow`.
inline ShuffleCounts CountedRows(const std::vector<literal::Row>& rows, const SeatView& view,
                                 std::uint64_t firstRow = 0) {
    const std::vector<std::uint8_t> bytes = literal::Flatten(rows);
    ShuffleCounts counts(view, firstRow);
    counts.AddRows(bytes.data(), rows.size());
    return counts;
}

// The message of the `Error` that `run` throws, or "" when it throws none.
template <class Error, class Run>
std::string ErrorMessage(Run&& run) {
    try {
        run();
    } catch (const Error& error) {
        return error.what();
    }
    return "";
}

}  // namespace brevane::test
