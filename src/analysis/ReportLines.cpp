#include "analysis/ReportLines.h"

#include <string>

namespace brevane {

namespace {

// "label = count  (percent%)"
std::string CountLine(std::string_view label, std::uint64_t count, std::uint64_t n,
                      std::string_view separator) {
    std::string line(label);
    line += " = ";
    line += std::to_string(count);
    line += "  (";
    line += PercentText(count, n, separator);
    line += "%)";
    return line;
}

// "label:" padded with spaces to 17 characters, then "count  (percent%)".
std::string CategoryLine(std::string_view label, std::uint64_t count, std::uint64_t n,
                         std::string_view separator) {
    constexpr std::size_t LabelWidth = 17;
    std::string line(label);
    line += ':';
    if (line.size() < LabelWidth) line.append(LabelWidth - line.size(), ' ');
    line += std::to_string(count);
    line += "  (";
    line += PercentText(count, n, separator);
    line += "%)";
    return line;
}

// The title line over the rows of a section: its name capitalised, then the fixed mean of its
// percentages (100/4, 100/13 or 100/52 to four decimals), which is never computed.
std::string Title(ReportKind kind, std::string_view section) {
    const std::string_view counted = section == "position" ? ReportKindName(kind) : section;
    const std::string_view average = counted == "suit"   ? "25.0000%"
                                     : counted == "rank" ? "7.6923%"
                                                         : "1.9231%";
    std::string title(section);
    if (!title.empty()) title[0] = static_cast<char>(title[0] - 'a' + 'A');
    return title + " = Count  (Percent) Avg = " + std::string(average);
}

std::string_view SelectionPrefix(ReportKind kind) {
    switch (kind) {
        case ReportKind::Suit:
            return "Suit Selected: ";
        case ReportKind::Rank:
            return "Rank Selected: ";
        case ReportKind::Card:
            return "Card Selected: ";
        default:
            return "Deck Position: ";
    }
}

Report CategoryReport(const ReportTable& table, std::string_view separator) {
    Report lines;
    lines.push_back("Player position: " + table.view.SeatText());
    lines.push_back("Cards dealt: " + std::string(table.view.StageText()));
    lines.push_back("Shuffles: " + std::to_string(table.shuffles));
    lines.emplace_back();
    for (const ReportRow& row : table.rows) {
        lines.push_back(CategoryLine(row.label, row.count, table.shuffles, separator));
    }
    return lines;
}

}  // namespace

Report BuildReport(const ReportTable& table, std::string_view separator) {
    if (table.kind == ReportKind::HandCategories) return CategoryReport(table, separator);
    Report lines;
    lines.push_back(std::string(SelectionPrefix(table.kind)) + table.selection);
    lines.push_back("Shuffles: " + std::to_string(table.shuffles));
    // Each section opens with an empty line, its title and an empty line.
    std::string_view section;
    for (const ReportRow& row : table.rows) {
        if (row.section != section) {
            section = row.section;
            lines.emplace_back();
            lines.push_back(Title(table.kind, section));
            lines.emplace_back();
        }
        lines.push_back(CountLine(row.label, row.count, table.shuffles, separator));
    }
    return lines;
}

Report BuildReport(const PositionCounter& counter, std::string_view selectionText,
                   std::string_view separator) {
    return BuildReport(BuildReportTable(counter, selectionText), separator);
}

Report BuildReport(const DeckPosCounter& counter, std::string_view positionText,
                   std::string_view separator) {
    return BuildReport(BuildReportTable(counter, positionText), separator);
}

Report BuildReport(const HandCategoryCounter& counter, std::string_view separator) {
    return BuildReport(BuildReportTable(counter), separator);
}

}  // namespace brevane
