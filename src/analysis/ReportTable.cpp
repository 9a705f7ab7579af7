#include "analysis/ReportTable.h"

#include <array>
#include <stdexcept>

#include "analysis/Messages.h"
#include "analysis/PercentText.h"
#include "cards/Cards.h"

namespace brevane {

namespace {

void RequireRows(std::uint64_t n) {
    if (n == 0) throw std::invalid_argument(std::string(NoHandsDealtText));
}

}  // namespace

std::string_view ReportKindName(ReportKind kind) {
    switch (kind) {
        case ReportKind::Suit:
            return "suit";
        case ReportKind::Rank:
            return "rank";
        case ReportKind::Card:
            return "card";
        case ReportKind::DeckPosition:
            return "position";
        case ReportKind::HandCategories:
            break;
    }
    return "categories";
}

ReportTable BuildReportTable(const PositionCounter& counter, std::string_view selectionText) {
    RequireRows(counter.Rows());
    ReportTable table;
    switch (counter.GetKind()) {
        case PositionCounter::Kind::Suit:
            table.kind = ReportKind::Suit;
            break;
        case PositionCounter::Kind::Rank:
            table.kind = ReportKind::Rank;
            break;
        case PositionCounter::Kind::Card:
            table.kind = ReportKind::Card;
            break;
    }
    table.selection = selectionText;
    table.shuffles = counter.Rows();
    const auto counts = counter.Counts();
    for (std::size_t p = 0; p < counts.size(); ++p) {
        table.rows.push_back({"position", std::to_string(p + 1), counts[p]});
    }
    return table;
}

ReportTable BuildReportTable(const DeckPosCounter& counter, std::string_view positionText) {
    RequireRows(counter.Rows());
    ReportTable table;
    table.kind = ReportKind::DeckPosition;
    table.selection = positionText;
    table.shuffles = counter.Rows();
    const auto& cards = counter.CardCounts();
    std::array<std::uint64_t, SuitCount> suits{};
    std::array<std::uint64_t, RankCount> ranks{};
    for (CardCode c = 1; c <= DeckSize; ++c) {
        suits[static_cast<std::size_t>(SuitIndex(c))] += cards[static_cast<std::size_t>(c)];
        ranks[static_cast<std::size_t>(RankIndex(c))] += cards[static_cast<std::size_t>(c)];
    }
    for (std::size_t s = 0; s < suits.size(); ++s) {
        table.rows.push_back({"suit", std::string(SuitLetters.substr(s, 1)), suits[s]});
    }
    for (std::size_t r = 0; r < ranks.size(); ++r) {
        table.rows.push_back({"rank", std::string(RankLetters.substr(r, 1)), ranks[r]});
    }
    for (CardCode c = 1; c <= DeckSize; ++c) {
        table.rows.push_back({"card", CardName(c), cards[static_cast<std::size_t>(c)]});
    }
    return table;
}

ReportTable BuildReportTable(const HandCategoryCounter& counter) {
    RequireRows(counter.Rows());
    ReportTable table;
    table.kind = ReportKind::HandCategories;
    table.view = counter.View();
    table.shuffles = counter.Rows();
    const auto counts = counter.Counts();
    // At the Hole stage two cards can only be a pair or not.
    const std::size_t shown = table.view.stage == Stage::Hole ? 2 : HandCategoryNames.size();
    for (std::size_t i = 0; i < shown; ++i) {
        table.rows.push_back({"category", std::string(HandCategoryNames[i]), counts[i]});
    }
    return table;
}

std::string CsvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string field = "\"";
    for (const char c : text) {
        if (c == '"') field += '"';
        field += c;
    }
    field += '"';
    return field;
}

std::string ReportCsvText(const ReportTable& table) {
    std::string text = "section,label,count,percent\n";
    for (const ReportRow& row : table.rows) {
        text += CsvField(row.section);
        text += ',';
        text += CsvField(row.label);
        text += ',';
        text += std::to_string(row.count);
        text += ',';
        text += PercentText(row.count, table.shuffles, ".");
        text += '\n';
    }
    return text;
}

}  // namespace brevane
