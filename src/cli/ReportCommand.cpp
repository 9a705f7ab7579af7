#include <cstdio>
#include <string>
#include <variant>

#include "analysis/ReportCounters.h"
#include "cards/Cards.h"
#include "cli/AnalysisOptions.h"
#include "cli/Commands.h"

namespace brevane::cli {

namespace {

constexpr std::string_view Command = "report";
constexpr std::string_view SuitNames[] = {"Club", "Diamond", "Heart", "Spade"};
constexpr std::string_view RankLetters = "23456789TJQKA";

using AnyCounter = std::variant<PositionCounter, DeckPosCounter, HandCategoryCounter>;

// The counter for the report named by the operands, or an error message.
std::variant<AnyCounter, std::string> CounterFor(const AnalysisOptions& options) {
    const auto& operands = options.operands;
    if (operands.empty()) return "name a report: suit, rank, card, position or categories";
    const std::string_view kind = operands[0];
    const std::size_t wanted = kind == "categories" ? 1 : 2;
    if (kind == "suit" || kind == "rank" || kind == "card" || kind == "position" ||
        kind == "categories") {
        if (operands.size() < wanted) return "report " + std::string(kind) + " needs a selection";
        if (operands.size() > wanted) {
            return "unexpected argument '" + std::string(operands[wanted]) + "'";
        }
    } else {
        return "unknown report '" + std::string(kind) +
               "' (suit, rank, card, position or categories)";
    }
    if (kind == "categories") {
        return HandCategoryCounter(options.players, options.SeatPosition(), options.stage);
    }
    const std::string_view selection = operands[1];
    if (kind == "suit") {
        for (int s = 0; s < 4; ++s) {
            if (SuitNames[s] == selection) return PositionCounter::ForSuit(s);
        }
        return "unknown suit '" + std::string(selection) + "' (Club, Diamond, Heart or Spade)";
    }
    if (kind == "rank") {
        const auto r = RankLetters.find(selection);
        if (selection.size() == 1 && r != std::string_view::npos) {
            return PositionCounter::ForRank(static_cast<int>(r));
        }
        return "unknown rank '" + std::string(selection) + "' (2 to 9, T, J, Q, K or A)";
    }
    if (kind == "card") {
        const CardCode code = ParseCardName(selection);
        if (code != 0) return PositionCounter::ForCard(code);
        return "unknown card '" + std::string(selection) + "' (2c to As)";
    }
    for (int p = 1; p <= DeckSize; ++p) {
        if (std::to_string(p) == selection) return DeckPosCounter(p);
    }
    return "unknown deck position '" + std::string(selection) + "' (1 to 52)";
}

Report BuildFrom(const AnyCounter& counter, const AnalysisOptions& options,
                 const std::string& separator) {
    if (const auto* hands = std::get_if<HandCategoryCounter>(&counter)) {
        return BuildReport(*hands, options.SeatText(), options.StageText(), separator);
    }
    const std::string_view selection = options.operands[1];
    if (const auto* position = std::get_if<PositionCounter>(&counter)) {
        return BuildReport(*position, selection, separator);
    }
    return BuildReport(std::get<DeckPosCounter>(counter), selection, separator);
}

}  // namespace

// Counts every row of the input before printing, so a bad line anywhere leaves standard output
// empty; the counters hold a fixed amount of state, whatever the number of rows.
int RunReportCommand(Args args) {
    const std::string separator = LocaleDecimalSeparator();
    const auto options = ParseAnalysisOptions(Command, args, false);
    if (!options) return ExitUsage;
    auto made = CounterFor(*options);
    if (const auto* message = std::get_if<std::string>(&made)) return UsageError(Command, *message);
    AnyCounter& counter = std::get<AnyCounter>(made);

    RowSource source;
    if (!source.Open(*options)) return UsageError(Command, source.Error());
    std::uint8_t row[ShuffleList::RowBytes];
    std::uint64_t rows = 0;
    RowSource::Status status;
    while ((status = source.Next(row)) == RowSource::Status::Row) {
        std::visit([&](auto& c) { c.Add(row); }, counter);
        ++rows;
    }
    if (status != RowSource::Status::End) return SourceError(source, status);
    if (rows == 0) return UsageError(Command, "No hands dealt");

    std::string text;
    for (const std::string& line : BuildFrom(counter, *options, separator)) {
        text += line;
        text += '\n';
    }
    if (!WriteOut(text) || !FinishOut()) {
        std::perror("brevane-cli report: standard output");
        return ExitFailure;
    }
    return ExitOk;
}

}  // namespace brevane::cli
