#include "cli/AnalysisOptions.h"

#include <cerrno>
#include <clocale>
#include <cstring>
#include <string>

#include "analysis/HandFinder.h"
#include "analysis/Seats.h"

namespace brevane::cli {

namespace {

constexpr std::string_view StageOptions[] = {"hole", "flop", "turn", "river"};
constexpr std::string_view StageTexts[] = {"Hole", "Flop", "Turn", "River"};

// A whole decimal number without sign or leading zeros, from 1 up to `max`.
std::optional<std::uint64_t> ParseNumber(std::string_view text, std::uint64_t max) {
    if (text.empty() || text.size() > 20 || text[0] == '0') return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (value > (max - digit) / 10) return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

std::string Quoted(std::string_view text) {
    std::string quoted(1, '\'');
    quoted += text;
    quoted += '\'';
    return quoted;
}

// "D" gives 0, "D-k" gives k; anything else nullopt. k is checked against the table size later.
std::optional<std::int32_t> ParseSeat(std::string_view text) {
    if (text == "D") return 0;
    if (text.substr(0, 2) != "D-") return std::nullopt;
    const auto k = ParseNumber(text.substr(2), 1000);
    if (!k) return std::nullopt;
    return static_cast<std::int32_t>(*k);
}

}  // namespace

std::string AnalysisOptions::SeatText() const {
    return SeatPositionLabels(players)[static_cast<std::size_t>(SeatPosition())];
}

std::string_view AnalysisOptions::StageText() const {
    return StageTexts[static_cast<std::size_t>(stage)];
}

int UsageError(std::string_view command, std::string_view message) {
    std::fprintf(stderr, "brevane-cli %.*s: %.*s\n", static_cast<int>(command.size()),
                 command.data(), static_cast<int>(message.size()), message.data());
    return ExitUsage;
}

std::optional<AnalysisOptions> ParseAnalysisOptions(std::string_view command, Args args,
                                                    bool handsOptions) {
    AnalysisOptions options;
    std::string_view seat = "D";
    const auto fail = [&](const std::string& message) {
        UsageError(command, message);
        return std::nullopt;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg.size() < 2 || arg[0] != '-') {
            options.operands.push_back(arg);
            continue;
        }
        std::string_view name = arg;
        std::optional<std::string_view> attached;
        if (const auto eq = arg.find('='); eq != std::string_view::npos) {
            name = arg.substr(0, eq);
            attached = arg.substr(eq + 1);
        }
        if (name == "--rotate" && !attached) {
            options.rotate = true;
            continue;
        }
        const bool known =
            name == "--input" || name == "--shuffles" || name == "--key" || name == "--players" ||
            name == "--seat" || name == "--stage" ||
            (handsOptions && (name == "--class" || name == "--from" || name == "--limit"));
        if (!known) return fail("unknown option " + Quoted(arg) + " (see --help)");
        if (!attached && i + 1 == args.size()) return fail(std::string(name) + " needs a value");
        const std::string_view value = attached ? *attached : args[++i];
        if (name == "--input") {
            options.input = std::string(value);
        } else if (name == "--shuffles") {
            options.shuffles = ParseNumber(value, UINT64_MAX);
            if (!options.shuffles) return fail("invalid shuffle count " + Quoted(value));
        } else if (name == "--key") {
            GeneratorKey key;
            if (!ParseGeneratorKey(value, key)) return fail("--key needs 64 hexadecimal digits");
            options.key = key;
        } else if (name == "--players") {
            const auto n = ParseNumber(value, 10);
            if (!n || *n < 2) return fail("invalid player count " + Quoted(value) + " (2 to 10)");
            options.players = static_cast<std::int32_t>(*n);
        } else if (name == "--seat") {
            seat = value;
        } else if (name == "--stage") {
            std::int32_t stage = 0;
            while (stage < 4 && StageOptions[stage] != value) ++stage;
            if (stage == 4)
                return fail("invalid stage " + Quoted(value) + " (hole, flop, turn or river)");
            options.stage = stage;
        } else if (name == "--class") {
            options.handClass = HandClassFromCaption(value);
            if (!options.handClass) return fail("unknown hand class " + Quoted(value));
        } else if (name == "--from") {
            const auto from = ParseNumber(value, UINT64_MAX);
            if (!from) return fail("invalid hand number " + Quoted(value));
            options.from = *from;
        } else {
            options.limit = ParseNumber(value, UINT64_MAX);
            if (!options.limit) return fail("invalid limit " + Quoted(value));
        }
    }
    const auto offset = ParseSeat(seat);
    if (!offset || *offset >= options.players) {
        return fail("no seat " + Quoted(seat) + " at " + std::to_string(options.players) +
                    " players (D, D-1 to D-" + std::to_string(options.players - 1) + ")");
    }
    options.seatOffset = *offset;
    if (options.input && options.shuffles)
        return fail("give either --input or --shuffles, not both");
    if (!options.input && !options.shuffles) return fail("give --input FILE or --shuffles COUNT");
    if (options.key && !options.shuffles) return fail("--key goes with --shuffles");
    return options;
}

RowSource::~RowSource() {
    if (ownsFile_) std::fclose(file_);
}

bool RowSource::Open(const AnalysisOptions& options) {
    if (options.shuffles) {
        remaining_ = *options.shuffles;
        deck_ = InitialDeck();
        ShuffleGenerator& generator = TheShuffleGenerator();
        if (options.key) {
            generator.SetKey(*options.key);
        } else {
            generator.SeedGenerator();
        }
        return true;
    }
    const std::string& path = *options.input;
    if (path == "-") {
        file_ = stdin;
        reader_.emplace(file_, "<stdin>");
        return true;
    }
    file_ = std::fopen(path.c_str(), "rb");
    if (!file_) {
        error_ = path + ": " + std::strerror(errno);
        return false;
    }
    ownsFile_ = true;
    reader_.emplace(file_, path);
    return true;
}

RowSource::Status RowSource::Next(std::uint8_t* row) {
    if (reader_) return reader_->Next(row);
    if (remaining_ == 0) return Status::End;
    --remaining_;
    ShuffleDeck(deck_);
    CopyDeckToRow(deck_, row);
    return Status::Row;
}

int SourceError(const RowSource& source, RowSource::Status status) {
    std::fprintf(stderr, "%s\n", source.Error().c_str());
    return status == RowSource::Status::BadLine ? ExitUsage : ExitFailure;
}

bool WriteOut(std::string_view text) {
    return std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
}

bool FinishOut() {
    return std::fflush(stdout) == 0 && !std::ferror(stdout);
}

std::string LocaleDecimalSeparator() {
    std::setlocale(LC_ALL, "");
    const char* point = std::localeconv()->decimal_point;
    return point && *point ? point : ".";
}

}  // namespace brevane::cli
