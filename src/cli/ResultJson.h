#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>

#include "analysis/ReportTable.h"
#include "analysis/SeatView.h"
#include "analysis/Seats.h"
#include "stats/BiasMap.h"
#include "stats/FairnessTests.h"

namespace brevane::cli {

// The JSON outputs of the commands. Each takes the row source as a value ready to be written
// ("source": the input file and its SHA-256, or the model and key of the generated rows), so
// that outputs over counts gathered elsewhere can name their own source. Each object opens with
// "program" (the program and its version) and "source".
using Json = nlohmann::ordered_json;

// `json` on one line. Bytes that are not UTF-8 (a file name may hold any) become U+FFFD, where
// dump() would throw.
std::string JsonLine(const Json& json);

// {"program": ..., "source": `source`}, for the other fields to follow.
Json ResultHead(const Json& source);

// Adds "players", "seat" ("D" or "D-k"), "rotate" and "stage" ("Hole" ... "River").
void AddSeatView(Json& object, const SeatView& view);

// The report: "report" (its name), "selection" (suit, rank, card and position reports) or the
// seat view (hand categories), "shuffles", and "rows": one {"section", "label", "count",
// "percent"} per count line, the percent a number with the report's four decimals.
Json ReportJson(const ReportTable& table, const Json& source);

// The verdict of `test`: "shuffles", "alpha", "tests" (name, statistic, df, p, w, detects_w,
// largest_cell, verdict; null for a number a test lacks, or for a cell: the cell's "row",
// "position", "observed", "total", "percent", "expected_percent", "z" and "text"), "verdict"
// and "summary".
Json FairnessJson(const FairnessResult& result, const Json& source);

// The bias map: "view", "total" (M), "row_axis" and "column_axis" (captions), "row_labels",
// "column_labels", "alpha" and "test" (as in FairnessJson), then with `withCounts` "counts",
// 52 arrays of 52 counts, row by row.
Json BiasMapJson(const BiasMap& map, const Json& source, bool withCounts);

// The first line of `hands --format json`: the head and the seat view.
Json HandsHeadJson(const SeatView& view, const Json& source);
// One hand: "hand" (its 1-based number), "hole" (two card names), "board" (the dealt community
// cards, none at the Hole stage), "value" (the hand value) and "description" (it in words).
Json HandJson(std::uint64_t handNumber, const SevenCards& cards, Stage stage, std::int32_t value);

}  // namespace brevane::cli
