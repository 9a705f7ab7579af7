#include <cstdio>
#include <string>

#include "analysis/HandFinder.h"
#include "analysis/HandPanelText.h"
#include "analysis/Seats.h"
#include "cli/AnalysisOptions.h"
#include "cli/Commands.h"
#include "cli/OutputSpool.h"
#include "hand/PokerHand.h"

namespace brevane::cli {

namespace {

constexpr std::string_view Command = "hands";

// Where the hand lines go: straight to standard output for generated rows, which cannot be bad,
// and through a spool for input rows, which reaches standard output only after the last line
// has been checked.
class HandLines {
  public:
    explicit HandLines(bool direct) : direct_(direct) {}
    bool Write(std::string_view line) { return direct_ ? WriteOut(line) : spool_.Write(line); }
    bool Finish() { return (direct_ || spool_.CopyTo(stdout)) && FinishOut(); }

  private:
    bool direct_;
    OutputSpool spool_;
};

int OutputFailure() {
    std::perror("brevane-cli hands: writing the hand lines");
    return ExitFailure;
}

}  // namespace

// Every row of an input file is checked, also after --limit matches, before any line is printed.
int RunHandsCommand(Args args) {
    const auto options = ParseAnalysisOptions(Command, args, true);
    if (!options) return ExitUsage;
    if (!options->operands.empty()) {
        return UsageError(Command,
                          "unexpected argument '" + std::string(options->operands[0]) + "'");
    }
    RowSource source;
    if (!source.Open(*options)) return UsageError(Command, source.Error());

    const std::int32_t n = options->players;
    const std::int32_t stage = options->stage;
    SeatStepper seat(n, options->SeatPosition());
    HandLines out(source.Generated());
    std::uint64_t matches = 0;
    std::uint64_t handNumber = 0;
    std::uint8_t row[ShuffleList::RowBytes];
    RowSource::Status status;
    std::string line;
    while ((status = source.Next(row)) == RowSource::Status::Row) {
        ++handNumber;
        const bool done = options->limit && matches == *options->limit;
        if (done && source.Generated()) break;
        if (!done && handNumber >= options->from) {
            const SevenCards cards = SeatCardsFromRow(row, n, seat.Current(), stage);
            const std::int32_t v =
                EvaluateHand(cards[0], cards[1], cards[2], cards[3], cards[4], cards[5], cards[6]);
            if (!options->handClass || HandClassMatches(*options->handClass, v)) {
                line = std::to_string(handNumber);
                line += '\t';
                line += HandPanelCaption(cards, stage, v);
                line += '\n';
                if (!out.Write(line)) return OutputFailure();
                ++matches;
            }
        }
        seat.Advance();
    }
    if (status != RowSource::Status::End && status != RowSource::Status::Row) {
        return SourceError(source, status);
    }
    if (handNumber == 0) return UsageError(Command, "No hands dealt");
    if (!out.Finish()) return OutputFailure();
    return ExitOk;
}

}  // namespace brevane::cli
