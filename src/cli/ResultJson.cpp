#include "cli/ResultJson.h"

#include <charconv>

#include "analysis/PercentText.h"
#include "cards/Cards.h"
#include "cli/RunSource.h"
#include "hand/HandDescription.h"
#include "stats/FairnessReport.h"
#include "stats/FairnessSummary.h"

namespace brevane::cli {

namespace {

Json OptionalNumber(const std::optional<double>& value) {
    return value ? Json(*value) : Json(nullptr);
}

Json LargestCellJson(const std::optional<LargestCell>& cell) {
    if (!cell) return nullptr;
    Json object;
    object["row"] = cell->RowName();
    object["position"] = cell->position + 1;
    object["observed"] = cell->observed;
    object["total"] = cell->total;
    object["percent"] = cell->Percent();
    object["expected_percent"] = cell->ExpectedPercent();
    object["z"] = cell->z;
    object["text"] = cell->Text();
    return object;
}

Json TestJson(const FairnessTest& test) {
    Json entry;
    entry["name"] = test.name;
    if (test.ran) {
        entry["statistic"] = test.statistic;
        if (test.df == 0) {
            entry["df"] = nullptr;
        } else {
            entry["df"] = test.df;
        }
        entry["p"] = test.p;
    } else {
        entry["statistic"] = nullptr;
        entry["df"] = nullptr;
        entry["p"] = nullptr;
    }
    entry["w"] = OptionalNumber(test.w);
    entry["detects_w"] = OptionalNumber(test.detectsW);
    entry["largest_cell"] = LargestCellJson(test.largestCell);
    entry["verdict"] = VerdictText(test.verdict);
    if (test.guessing) {
        Json guessing;
        guessing["mean"] = test.guessing->mean;
        guessing["half_width"] = test.guessing->halfWidth;
        guessing["decks"] = test.observations;
        guessing["fair"] = FairGuessesPerDeck;
        guessing["text"] = GuessingFigureText(*test.guessing);
        entry["guessing"] = std::move(guessing);
    }
    if (!test.reason.empty()) entry["reason"] = test.reason;
    return entry;
}

// The percent of the text report as a number: the value of its four-decimal text, which a JSON
// writer then prints with no more digits than it needs.
double PercentNumber(std::uint64_t count, std::uint64_t n) {
    const std::string text = PercentText(count, n, ".");
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

}  // namespace

std::string JsonLine(const Json& json) {
    return json.dump(-1, ' ', false, Json::error_handler_t::replace);
}

Json ResultHead(const Json& source) {
    Json object;
    object["program"] = ProgramText();
    object["source"] = source;
    return object;
}

void AddSeatView(Json& object, const SeatView& view) {
    object["players"] = view.players;
    object["seat"] = SeatPositionLabels(
        view.players)[static_cast<std::size_t>(view.seatPosition % view.players)];
    object["rotate"] = view.Rotating();
    object["stage"] = view.StageText();
}

Json ReportJson(const ReportTable& table, const Json& source) {
    Json object = ResultHead(source);
    object["report"] = ReportKindName(table.kind);
    if (table.kind == ReportKind::HandCategories) {
        AddSeatView(object, table.view);
    } else {
        object["selection"] = table.selection;
    }
    object["shuffles"] = table.shuffles;
    Json rows = Json::array();
    for (const ReportRow& row : table.rows) {
        Json entry;
        entry["section"] = row.section;
        entry["label"] = row.label;
        entry["count"] = row.count;
        entry["percent"] = PercentNumber(row.count, table.shuffles);
        rows.push_back(std::move(entry));
    }
    object["rows"] = std::move(rows);
    return object;
}

Json FairnessJson(const FairnessResult& result, const Json& source) {
    Json tests = Json::array();
    for (const FairnessTest& test : result.tests) tests.push_back(TestJson(test));
    Json object = ResultHead(source);
    object["shuffles"] = result.shuffles;
    object["alpha"] = result.alpha;
    object["tests"] = std::move(tests);
    object["verdict"] = VerdictText(result.verdict);
    object["summary"] = FairnessSummary(result);
    return object;
}

Json BiasMapJson(const BiasMap& map, const Json& source, bool withCounts) {
    Json object = ResultHead(source);
    object["view"] = map.View() == BiasView::Cards ? "cards" : "moves";
    object["total"] = map.Total();
    object["row_axis"] = map.RowAxisCaption();
    object["column_axis"] = map.ColumnAxisCaption();
    Json rowLabels = Json::array();
    Json columnLabels = Json::array();
    for (int i = 0; i < DeckSize; ++i) {
        rowLabels.push_back(map.RowLabel(i));
        columnLabels.push_back(BiasMap::ColumnLabel(i));
    }
    object["row_labels"] = std::move(rowLabels);
    object["column_labels"] = std::move(columnLabels);
    object["alpha"] = map.Alpha();
    object["test"] = TestJson(map.Test());
    if (withCounts) {
        Json counts = Json::array();
        for (const auto& row : map.Counts()) counts.push_back(row);
        object["counts"] = std::move(counts);
    }
    return object;
}

Json HandsHeadJson(const SeatView& view, const Json& source) {
    Json object = ResultHead(source);
    AddSeatView(object, view);
    return object;
}

Json HandJson(std::uint64_t handNumber, const SevenCards& cards, Stage stage, std::int32_t value) {
    Json object;
    object["hand"] = handNumber;
    object["hole"] = Json::array({CardName(cards[0]), CardName(cards[1])});
    Json board = Json::array();
    for (std::int32_t i = 0; i < BoardCardCount(stage); ++i) {
        board.push_back(CardName(cards[static_cast<std::size_t>(2 + i)]));
    }
    object["board"] = std::move(board);
    object["value"] = value;
    object["description"] = HandDescription(value);
    return object;
}

}  // namespace brevane::cli
