#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "cards/Cards.h"
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "hand/PokerHand.h"

namespace brevane::cli {

namespace {

constexpr const char* EvalHelp =
    "Usage: brevane-cli eval CARD CARD [CARD ...]\n"
    "       brevane-cli eval -\n"
    "\n"
    "Evaluates a seat's best hand from 2 to 7 cards given in the order hole 1, hole 2,\n"
    "flop 1, flop 2, flop 3, turn, river. A card is a rank letter (2-9, T, J, Q, K, A) and a\n"
    "suit letter (c, d, h, s), as in Ah or Td; '-' stands for a card not dealt. Prints the\n"
    "hand value as 0x and six hexadecimal digits, a space, and the hand in words:\n"
    "\n"
    "  $ brevane-cli eval Ah Kh Qh Jh Th\n"
    "  0x9EDCBA Royal Flush\n"
    "\n"
    "A missing hole card gives 0x000000 Error. With '-' alone, reads one hand per line from\n"
    "standard input (cards separated by blanks) and prints one line per hand.\n";

constexpr int MaxCards = 7;
constexpr std::size_t MaxShownToken = 24;

// One hand's tokens as read: the first eight kept (enough to name the one too many), each
// cut to a bounded length for messages; `count` counts them all.
struct HandTokens {
    std::string text[MaxCards + 1];
    int count = 0;

    void Add(std::string_view token) {
        if (count <= MaxCards) text[count] = token;
        ++count;
    }
};

// A token as it may appear in a message: cut when long (PrintError makes it printable).
std::string Shown(std::string_view token) {
    std::string shown(token.substr(0, MaxShownToken));
    if (token.size() > MaxShownToken) shown += "...";
    return Quoted(shown);
}

// Turns the tokens into the seven arguments; on a fault returns its message.
std::string ParseHand(const HandTokens& tokens, CardCode cards[MaxCards]) {
    if (tokens.count > MaxCards) {
        return "more than 7 cards, at " + Shown(tokens.text[MaxCards]);
    }
    if (tokens.count < 2) {
        const std::string given =
            tokens.count == 0 ? "no cards" : "only one card, " + Shown(tokens.text[0]);
        return given + "; a hand has 2 to 7 cards";
    }
    for (int k = 0; k < MaxCards; ++k) cards[k] = 0;
    for (int k = 0; k < tokens.count; ++k) {
        const std::string& token = tokens.text[k];
        if (token == "-") continue;
        const CardCode code = ParseCardName(token);
        if (code == 0) return "unknown card " + Shown(token);
        for (int j = 0; j < k; ++j) {
            if (cards[j] == code) return "duplicate card " + Shown(token);
        }
        cards[k] = code;
    }
    return {};
}

void WriteResult(FdWriter& out, const CardCode cards[MaxCards]) {
    const std::int32_t value =
        EvaluateHand(cards[0], cards[1], cards[2], cards[3], cards[4], cards[5], cards[6]);
    char hex[16];
    const int length = std::snprintf(hex, sizeof hex, "0x%06X ", static_cast<unsigned>(value));
    out.Write(hex, static_cast<std::size_t>(length));
    const std::string words = HandDescription(value);
    out.Write(words.data(), words.size());
    out.Write("\n", 1);
}

// Reads standard input in fixed-size blocks and hands out one line's tokens at a time, so
// memory stays the same however many or however long the lines are. A line ends at LF; a CR
// right before the LF belongs to the line end. Blanks are spaces and tabs.
class LineReader {
  public:
    explicit LineReader(std::FILE* in) : in_(in) {}

    // False at the end of input (a last line without LF still counts as a line).
    bool Next(HandTokens& tokens) {
        tokens = HandTokens{};
        std::string token;
        bool any = false;
        for (;;) {
            const int c = Get();
            if (c == EOF && !any) return false;
            any = true;
            if (c == EOF || c == '\n') break;
            if (c == '\r' && Peek() == '\n') continue;
            if (c == ' ' || c == '\t') {
                if (!token.empty()) tokens.Add(token);
                token.clear();
            } else if (token.size() <= MaxShownToken) {
                token += static_cast<char>(c);
            }
        }
        if (!token.empty()) tokens.Add(token);
        return true;
    }

  private:
    int Get() {
        const int c = Peek();
        if (c != EOF) ++position_;
        return c;
    }
    int Peek() {
        if (position_ == size_) {
            size_ = std::fread(buffer_, 1, sizeof buffer_, in_);
            position_ = 0;
            if (size_ == 0) return EOF;
        }
        return static_cast<unsigned char>(buffer_[position_]);
    }

    std::FILE* in_;
    char buffer_[1 << 16];
    std::size_t size_ = 0;
    std::size_t position_ = 0;
};

// Hands out what is held before an error is reported. A reader that has gone away does not
// hide the error: it is still reported, with its status.
void FlushBeforeError(FdWriter& out) {
    try {
        out.Flush();
    } catch (const std::system_error& error) {
        if (!IsBrokenPipe(error)) throw;
    }
}

int EvaluateStandardInput() {
    StdoutWriter out;
    LineReader reader(stdin);
    HandTokens tokens;
    CardCode cards[MaxCards];
    for (std::uint64_t line = 1; reader.Next(tokens); ++line) {
        const std::string fault = ParseHand(tokens, cards);
        if (!fault.empty()) {
            FlushBeforeError(out);
            PrintError("eval: -:" + std::to_string(line) + ": " + fault);
            return ExitUsage;
        }
        WriteResult(out, cards);
    }
    if (std::ferror(stdin)) {
        FlushBeforeError(out);
        PrintError("eval: cannot read standard input");
        return ExitFailure;
    }
    out.Flush();
    return ExitOk;
}

int EvaluateArguments(Args args) {
    HandTokens tokens;
    for (const std::string_view arg : args) tokens.Add(arg.substr(0, MaxShownToken + 1));
    CardCode cards[MaxCards];
    const std::string fault = ParseHand(tokens, cards);
    if (!fault.empty()) {
        PrintError("eval: " + fault + " (see eval --help)");
        return ExitUsage;
    }
    StdoutWriter out;
    WriteResult(out, cards);
    out.Flush();
    return ExitOk;
}

}  // namespace

int RunEvalCommand(Args args) {
    if (args.size() == 1 && IsHelpOption(args[0])) return WriteHelp(EvalHelp);
    // The cards are operands only, so "--" just goes: "eval -- - Kd" is "eval - Kd".
    std::vector<std::string_view> operands(args.begin(), args.end());
    const auto end = std::find(operands.begin(), operands.end(), EndOfOptions);
    if (end != operands.end()) operands.erase(end);
    args = operands;
    try {
        if (args.size() == 1 && args[0] == "-") return EvaluateStandardInput();
        return EvaluateArguments(args);
    } catch (const std::system_error& error) {
        if (IsBrokenPipe(error)) return ExitOk;
        throw;
    }
}

}  // namespace brevane::cli
