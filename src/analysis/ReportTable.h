#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/ReportCounters.h"
#include "analysis/SeatView.h"

namespace brevane {

// The counts of a report in structured form, from which its text lines (ReportLines.h), its
// CSV and its JSON are all written.

enum class ReportKind { Suit, Rank, Card, DeckPosition, HandCategories };

// "suit", "rank", "card", "position" or "categories", as the command line names the reports.
std::string_view ReportKindName(ReportKind kind);

// One count line of a report.
struct ReportRow {
    // What the rows of the section are labelled by: "position" (suit, rank and card reports),
    // "suit", "rank" and "card" (deck position report) or "category".
    std::string section;
    // The label without the text report's punctuation: "1", "c", "Qh", "Three of a Kind".
    std::string label;
    std::uint64_t count = 0;
};

struct ReportTable {
    ReportKind kind = ReportKind::Suit;
    // The selection's display text ("Club", "T", "Qh", "7"); empty for hand categories.
    std::string selection;
    // The seat and stage of hand categories.
    SeatView view;
    // N, the rows counted; at least 1.
    std::uint64_t shuffles = 0;
    // The count lines in report order.
    std::vector<ReportRow> rows;
};

// Each needs at least one counted row and throws std::invalid_argument("No hands dealt")
// otherwise. At the Hole stage the hand categories hold High Card and Pair only, as the report
// shows them.
ReportTable BuildReportTable(const PositionCounter& counter, std::string_view selectionText);
ReportTable BuildReportTable(const DeckPosCounter& counter, std::string_view positionText);
ReportTable BuildReportTable(const HandCategoryCounter& counter);

// A CSV field, quoted when it holds a comma, a double quote, CR or LF, with its double quotes
// doubled (RFC 4180); otherwise as it is.
std::string CsvField(std::string_view text);

// The header row "section,label,count,percent", then one row per count line; the percent with
// four decimals and ".", whatever the locale. Every row, the last included, ends in LF.
std::string ReportCsvText(const ReportTable& table);

}  // namespace brevane
