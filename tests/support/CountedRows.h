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

// The counts of `n` >= 1 rows all in the new-deck order, the first at row index `firstRow`, for
// a fixed seat (`view` not rotating), made as tables: row counts near 2^63 can be read and merged,
// but never counted row by row. The new-deck order has one rising sequence, and every card stays in
// its place.
inline ShuffleCounts SameRowCounts(std::uint64_t n, const SeatView& view,
                                   std::uint64_t firstRow = 0) {
    literal::Row row;
    for (std::size_t p = 0; p < row.size(); ++p) row[p] = static_cast<std::uint8_t>(p + 1);
    ShuffleCounts::Tables tables;
    tables.view = view;
    tables.firstRow = firstRow;
    tables.rows = n;
    tables.pairs = n - 1;
    tables.first = row;
    tables.last = row;
    for (std::size_t p = 0; p < row.size(); ++p) {
        tables.cards[p][p] = n;
        tables.moves[p][p] = n - 1;
    }
    tables.rising[0] = n - 1;
    tables.fixed[52] = n - 1;
    ShuffleCounts one(view, firstRow);
    one.AddRow(row.data());
    const auto categories = one.HandCategories();
    for (std::size_t c = 0; c < categories.size(); ++c) tables.categories[c] = categories[c] * n;
    return ShuffleCounts::FromTables(tables);
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
