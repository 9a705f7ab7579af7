#include <algorithm>
#include <cstdio>
#include <string>
#include <system_error>
#include <vector>

#include "analysis/HandFinder.h"
#include "analysis/HandPanelText.h"
#include "analysis/Messages.h"
#include "analysis/SeatValues.h"
#include "analysis/Seats.h"
#include "cards/Cards.h"
#include "cli/AnalysisOptions.h"
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/OutputSpool.h"
#include "cli/ProgressLine.h"
#include "cli/ReportFormats.h"
#include "cli/RunSource.h"
#include "hand/PokerHand.h"

namespace brevane::cli {

namespace {

constexpr std::string_view Command = "hands";

constexpr const char* HandsHelp =
    "Usage: brevane-cli hands (--input FILE | --shuffles COUNT [--key HEX] [--model MODEL]\n"
    "                         [--from-new-deck])\n"
    "                         [--players N] [--seat D|D-k] [--rotate] [--stage STAGE]\n"
    "                         [--class CAPTION] [--from HAND] [--limit K] [--first-row R]\n"
    "                         [--format text|json]\n"
    "\n"
    "Prints, for every row whose seat hand lies in the class, the hand number, a tab and the\n"
    "hand as the hand panel shows it, e.g. 17<TAB>[Ah Ad] [2c 7h 9s Kd Ks]  =  Two Pair, ...\n"
    "\n"
    "  --class CAPTION   a hand class such as \"Pair +\" or \"Royal Flush\" (default: every row)\n"
    "  --from HAND       start at hand number HAND (1-based, default 1)\n"
    "  --limit K         stop after K hands\n"
    "  --format FORMAT   text (default) or json: JSON Lines, one object per line. The first\n"
    "                    line holds \"program\", \"source\" (the input file and its SHA-256,\n"
    "                    or the model and the key, also a timer seed's), \"players\", \"seat\",\n"
    "                    \"rotate\" and \"stage\"; then one line per hand with \"hand\" (its\n"
    "                    number), \"hole\", \"board\" (card names), \"value\" and \"description\"\n"
    "  --first-row R     a rotating seat stands as at row R of a longer list; the hands are\n"
    "                    still numbered from 1\n"
    "  (the other options as for `report`; see report --help)\n"
    "\n"
    "Input rows are all checked before any hand is printed: a bad line is reported as\n"
    "FILE:LINE: with status 2 and nothing on standard output. Until then the hand lines wait\n"
    "in memory (up to 8 MiB) and then in a temporary file.\n";

// Where the hand lines go: straight to standard output for generated rows, which cannot be bad,
// and through a spool for input rows, which reaches standard output only after the last line
// has been checked.
class HandLines {
  public:
    explicit HandLines(bool direct) : direct_(direct) {}
    // False when the spool cannot take the line.
    bool Write(const std::string& line) {
        if (!direct_) return spool_.Write(line);
        out_.Write(line.data(), line.size());
        return true;
    }
    // A line to come before all the others: written at once for direct output, otherwise held
    // back until Finish(), so that a bad input line leaves standard output empty.
    void Head(std::string line) {
        if (direct_) {
            out_.Write(line.data(), line.size());
        } else {
            head_ = std::move(line);
        }
    }
    // False when the spool cannot be read back.
    bool Finish() {
        if (!direct_) out_.Write(head_.data(), head_.size());
        if (!direct_ && !spool_.CopyTo(out_)) return false;
        out_.Flush();
        return true;
    }
    const OutputSpool& Spool() const { return spool_; }

  private:
    bool direct_;
    std::string head_;
    OutputSpool spool_;
    StdoutWriter out_;
};

int SpoolFailure(const HandLines& out) {
    PrintError(std::string(Command) + ": " + out.Spool().Error());
    return ExitFailure;
}

// The progress line is erased before anything is written.
int Run(const AnalysisOptions& options, bool json, RowSource& source, ProgressLine& progressLine) {
    const SeatView& view = options.view;
    SeatStepper seat(view, static_cast<std::int64_t>(options.firstRow));
    HandLines out(source.Generated());
    // Generated rows are named by their key, known once the source is open; an input file by
    // its digest, known once it has been read.
    const auto jsonHead = [&] {
        return JsonLine(HandsHeadJson(view, SourceJson(options, source))) + "\n";
    };
    if (json && source.Generated()) out.Head(jsonHead());
    std::uint64_t matches = 0;
    std::uint64_t handNumber = 0;
    std::uint8_t batch[SeatBatchRows * DeckSize];
    std::int32_t values[SeatBatchRows];
    RowSource::Status status;
    std::string line;
    // Each stream is a list of its own, whose seat starts again at its first row.
    const StreamPlan* streams = source.Streams();
    const std::vector<std::uint64_t> streamList =
        streams ? streams->Streams() : std::vector<std::uint64_t>{};
    std::size_t streamAt = 0;
    std::uint64_t leftInStream = streamList.empty() ? UINT64_MAX : streams->RowsOf(streamList[0]);
    do {
        if (leftInStream == 0) {
            if (++streamAt < streamList.size()) {
                leftInStream = streams->RowsOf(streamList[streamAt]);
                seat = SeatStepper(view, static_cast<std::int64_t>(options.firstRow));
            } else {
                leftInStream = UINT64_MAX;  // to read the end
            }
        }
        std::size_t got = 0;
        status = source.NextBatch(
            batch, static_cast<std::size_t>(std::min<std::uint64_t>(SeatBatchRows, leftInStream)),
            got);
        if (!streamList.empty()) leftInStream -= got;
        SeatStepper rowSeat = seat;
        EvaluateSeatRows(batch, got, view, seat, values);
        for (std::size_t k = 0; k < got; ++k, rowSeat.Advance()) {
            ++handNumber;
            if (options.limit && matches == *options.limit) continue;
            if (handNumber < options.from) continue;
            if (options.handClass && !HandClassMatches(*options.handClass, values[k])) continue;
            const std::uint8_t* row = batch + k * DeckSize;
            const SevenCards cards = SeatCardsFromRow(row, view, rowSeat.Current());
            if (json) {
                line = JsonLine(HandJson(handNumber, cards, view.stage, values[k]));
            } else {
                line = std::to_string(handNumber);
                line += '\t';
                line += HandPanelCaption(cards, view.stage, values[k]);
            }
            line += '\n';
            if (!out.Write(line)) {
                progressLine.Stop();
                return SpoolFailure(out);
            }
            ++matches;
        }
        // Generated rows cannot be bad, so none is made once the limit is reached.
        if (options.limit && matches == *options.limit && source.Generated()) break;
    } while (status == RowSource::Status::Row);
    progressLine.Stop();
    if (status != RowSource::Status::End && status != RowSource::Status::Row) {
        return SourceError(source, status);
    }
    if (handNumber == 0) return UsageError(Command, NoHandsDealtText);
    if (const int refused = RefuseRowsPastLastIndex(Command, options, handNumber);
        refused != ExitOk)
        return refused;
    if (json && !source.Generated()) out.Head(jsonHead());
    if (!out.Finish()) return SpoolFailure(out);
    return ExitOk;
}

}  // namespace

// Every row of an input file is checked, also after --limit hands, before any line is printed.
int RunHandsCommand(Args args) {
    if (WantsHelp(args)) return WriteHelp(HandsHelp);
    const auto format = TakeFormatOption(Command, args, {OutputFormat::Text, OutputFormat::Json});
    if (!format) return ExitUsage;
    auto options = ParseOperandFreeOptions(Command, format->rest, true);
    if (!options) return ExitUsage;
    if (format->format == OutputFormat::Json) options->digestInput = true;
    RowSource source;
    if (!source.Open(*options)) return UsageError(Command, source.Error());
    try {
        ProgressLine progressLine(source.Progress(), Command, "rows", options->quiet);
        return Run(*options, format->format == OutputFormat::Json, source, progressLine);
    } catch (const std::system_error& error) {
        if (IsBrokenPipe(error)) return ExitOk;
        throw;
    }
}

}  // namespace brevane::cli
