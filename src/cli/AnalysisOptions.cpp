#include "cli/AnalysisOptions.h"

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstring>
#include <string>

#include <sys/stat.h>

#include "analysis/HandFinder.h"
#include "analysis/Seats.h"
#include "cards/Cards.h"
#include "cli/CliSupport.h"
#include "cli/OutputClash.h"
#include "cli/StreamRun.h"
#include "os/TerminalText.h"
#include "random/PRNG.h"
#include "random/PrepareGenerator.h"
#include "stats/ShuffleCounts.h"
#include "work/ParallelRows.h"

namespace brevane::cli {

namespace {

std::string HexText(const std::uint8_t* bytes, std::size_t count) {
    static constexpr char Digits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(2 * count);
    for (std::size_t i = 0; i < count; ++i) {
        hex += Digits[bytes[i] >> 4];
        hex += Digits[bytes[i] & 15];
    }
    return hex;
}

constexpr std::string_view ValueOptions[] = {
    "--input",   "--shuffles",  "--key",         "--model",   "--players",
    "--seat",    "--stage",     "--class",       "--from",    "--limit",
    "--threads", "--first-row", "--save-counts", "--streams", "--stream"};
// What counts saved before bring with them.
constexpr std::string_view SavedCountsOptions[] = {
    "--input",       "--shuffles", "--key",    "--model", "--from-new-deck",
    "--players",     "--seat",     "--rotate", "--stage", "--first-row",
    "--save-counts", "--streams",  "--stream"};
constexpr std::size_t RowsPerBatch = 1024;
// Generated rows made on their own thread: batches of 208 KiB, eight in the ring, so that the
// maker goes on for a few milliseconds while the caller's thread is held up.
constexpr std::size_t PipelineBatchRows = 4096;
constexpr std::size_t PipelineSlots = 8;

// "D" gives 0, "D-k" gives k; anything else nullopt. k is checked against the table size later.
std::optional<std::int32_t> ParseSeat(std::string_view text) {
    if (text == "D") return 0;
    if (text.substr(0, 2) != "D-") return std::nullopt;
    const std::string_view digits = text.substr(2);
    const auto k = ParsePositiveCount(digits);
    if (!k || digits[0] == '0' || *k > 1000) return std::nullopt;
    return static_cast<std::int32_t>(*k);
}

// A 0-based row index: decimal digits, 0 or more, below 2^63.
std::optional<std::uint64_t> ParseRowIndex(std::string_view text) {
    if (text == "0") return 0;
    const auto n = ParsePositiveCount(text);
    if (!n || text[0] == '0' || *n > MaxRowIndex) return std::nullopt;
    return n;
}

// Whether `text` is `name` with its letters in lower case.
bool EqualsLowerCase(std::string_view text, std::string_view name) {
    if (text.size() != name.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = name[i];
        const char lower = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        if (text[i] != lower) return false;
    }
    return true;
}

}  // namespace

int UsageError(std::string_view command, std::string_view message) {
    std::string text(command);
    text += ": ";
    text += message;
    PrintError(text);
    return ExitUsage;
}

std::optional<AnalysisOptions> ParseAnalysisOptions(std::string_view command, Args args,
                                                    bool handsOptions, RowsFrom rowsFrom) {
    AnalysisOptions options;
    std::string_view seat = "D";
    bool rotate = false;
    std::int32_t players = 10;
    std::optional<std::string_view> modelText;
    const auto fail = [&](const std::string& message) {
        UsageError(command, message);
        return std::nullopt;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (rowsFrom == RowsFrom::SavedCounts) {
            for (const std::string_view refused : SavedCountsOptions) {
                if (arg == refused || (arg.starts_with(refused) && arg.size() > refused.size() &&
                                       arg[refused.size()] == '=')) {
                    return fail(std::string(refused) +
                                " does not go with merge: the rows, seat and stage are those of "
                                "the counts files");
                }
            }
        }
        if (arg == EndOfOptions) {
            options.operands.insert(options.operands.end(), args.begin() + i + 1, args.end());
            break;
        }
        if (arg == "--rotate") {
            rotate = true;
            continue;
        }
        if (arg == "--from-new-deck") {
            options.fromNewDeck = true;
            continue;
        }
        if (arg == "--quiet") {
            options.quiet = true;
            continue;
        }
        std::string_view name;
        std::string_view value;
        OptionMatch match = OptionMatch::No;
        for (const std::string_view candidate : ValueOptions) {
            const bool handsOnly =
                candidate == "--class" || candidate == "--from" || candidate == "--limit";
            if (handsOnly && !handsOptions) continue;
            if (candidate == "--save-counts" && handsOptions) continue;
            match = TakeOption(args, i, candidate, value);
            name = candidate;
            if (match != OptionMatch::No) break;
        }
        if (match == OptionMatch::MissingValue) return fail(std::string(name) + " needs a value");
        if (match == OptionMatch::No) {
            if (arg.size() > 1 && arg[0] == '-') {
                return fail("unknown option " + Quoted(arg) + " (see --help)");
            }
            options.operands.push_back(arg);
            continue;
        }
        if (name == "--input") {
            if (value.empty()) return fail("--input needs a file name");
            options.input = std::string(value);
        } else if (name == "--shuffles") {
            options.shuffles = ParsePositiveCount(value);
            if (!options.shuffles) return fail("invalid shuffle count " + Quoted(value));
        } else if (name == "--key") {
            GeneratorKey key;
            if (!ParseGeneratorKey(value, key)) return fail(InvalidKeyMessage(value));
            options.key = value;
        } else if (name == "--model") {
            std::string error;
            const auto model = ParseModelArgument(value, error);
            if (!model) return fail(error);
            options.model = *model;
            modelText = value;
        } else if (name == "--players") {
            const auto n = ParsePositiveCount(value);
            if (!n || *n < 2 || *n > 10 || value[0] == '0') {
                return fail("invalid player count " + Quoted(value) + " (2 to 10)");
            }
            players = static_cast<std::int32_t>(*n);
        } else if (name == "--seat") {
            seat = value;
        } else if (name == "--stage") {
            // The stage names in lower case.
            int stage = 0;
            while (stage < StageCount && !EqualsLowerCase(value, StageNames[stage])) ++stage;
            if (stage == StageCount) {
                return fail("invalid stage " + Quoted(value) + " (hole, flop, turn or river)");
            }
            options.view.stage = StageAt(stage);
        } else if (name == "--class") {
            options.handClass = HandClassFromCaption(value);
            if (!options.handClass) return fail("unknown hand class " + Quoted(value));
        } else if (name == "--threads") {
            std::string error;
            const auto n = ParseThreadCount(value, error);
            if (!n) return fail(error);
            options.threads = *n;
        } else if (name == "--first-row") {
            const auto row = ParseRowIndex(value);
            if (!row) return fail("invalid row index " + Quoted(value) + " (0 or more)");
            options.firstRow = *row;
            options.firstRowGiven = true;
        } else if (name == "--save-counts") {
            if (value.empty()) return fail("--save-counts needs a file name");
            options.saveCounts = std::string(value);
            options.digestInput = true;  // the counts file names the input's SHA-256
        } else if (name == "--streams" || name == "--stream") {
            std::string error;
            if (!ParseStreamOption(name, value, options.streams, options.stream, error))
                return fail(error);
        } else if (name == "--from") {
            const auto from = ParsePositiveCount(value);
            if (!from) return fail("invalid hand number " + Quoted(value));
            options.from = *from;
        } else {
            options.limit = ParsePositiveCount(value);
            if (!options.limit) return fail("invalid limit " + Quoted(value));
        }
    }
    const auto offset = ParseSeat(seat);
    if (!offset || *offset >= players) {
        return fail("no seat " + Quoted(seat) + " at " + std::to_string(players) +
                    " players (D, D-1 to D-" + std::to_string(players - 1) + ")");
    }
    if (options.shuffles && !RowsFit(options.firstRow, *options.shuffles)) {
        return fail(options.firstRowGiven
                        ? "--first-row and --shuffles reach past the last row index"
                        : "--shuffles reaches past the last row index");
    }
    options.view.players = players;
    options.view.seatPosition = rotate ? players + *offset : *offset;
    if (options.threads != 0) SetDefaultThreadCount(options.threads);
    if (rowsFrom == RowsFrom::SavedCounts) return options;
    if (options.input && options.shuffles)
        return fail("give either --input or --shuffles, not both");
    if (!options.input && !options.shuffles) return fail("give --input FILE or --shuffles COUNT");
    if (options.key && !options.shuffles) return fail("--key goes with --shuffles");
    if (modelText && !options.shuffles) {
        return fail("--model " + Quoted(*modelText) +
                    " goes with --shuffles: the rows of --input are already shuffled");
    }
    if (options.fromNewDeck && !options.shuffles && (handsOptions || !options.input))
        return fail(handsOptions ? "--from-new-deck goes with --shuffles"
                                 : "--from-new-deck goes with --shuffles or --input");
    if (const auto refusal = StreamOptionsRefusal(options)) return fail(*refusal);
    if (options.saveCounts && options.input) {
        const auto clash = OutputClash({OptionFile("--save-counts", *options.saveCounts)},
                                       {OptionFile("--input", *options.input)});
        if (clash) return fail(*clash);
    }
    return options;
}

int RefuseRowsPastLastIndex(std::string_view command, const AnalysisOptions& options,
                            std::uint64_t rows) {
    if (RowsFit(options.firstRow, rows)) return ExitOk;
    return UsageError(command, "--first-row and the " + std::to_string(rows) +
                                   " rows of --input reach past the last row index");
}

std::optional<AnalysisOptions> ParseOperandFreeOptions(std::string_view command, Args args,
                                                       bool handsOptions, RowsFrom rowsFrom) {
    auto options = ParseAnalysisOptions(command, args, handsOptions, rowsFrom);
    if (options && !options->operands.empty()) {
        UsageError(command, "unexpected argument " + Quoted(options->operands[0]));
        return std::nullopt;
    }
    return options;
}

RowSource::~RowSource() {
    if (ownsFile_) std::fclose(file_);
}

bool RowSource::Open(const AnalysisOptions& options) {
    if (options.shuffles) {
        remaining_ = *options.shuffles;
        if (!PrepareGenerator(options.key, error_)) return false;
        keyHex_ = HexText(TheShuffleGenerator().Key().data(), TheShuffleGenerator().Key().size());
        progress_.SetTotal(remaining_);
        streams_ = PlanStreams(options, TheShuffleGenerator().Key());
        if (streams_->Derived()) {
            // Made only when read row by row (MakeBatch): counting makes each stream where it
            // is counted (CountStreams).
            streamMaker_ = std::make_unique<StreamRowMaker>(*streams_);
            return true;
        }
        maker_ = std::make_unique<ShuffleRowMaker>(TheShuffleGenerator(), options.model,
                                                   options.fromNewDeck);
        if (DefaultThreadCount() >= 2) {
            // The maker thread is the only user of the generator while the rows are made.
            StartPipeline();
        } else {
            batch_.resize(RowsPerBatch * DeckSize);
        }
        return true;
    }
    const std::string& path = *options.input;
    inputPath_ = path;
    if (path == "-") {
        file_ = stdin;
        reader_.emplace(file_, "-");
        if (options.digestInput) DigestReaderInput();
        NoteInputSize();
        return true;
    }
    file_ = std::fopen(path.c_str(), "rb");
    if (!file_) {
        error_ = path + ": " + std::strerror(errno);
        return false;
    }
    ownsFile_ = true;
    reader_.emplace(file_, path);
    if (options.digestInput) DigestReaderInput();
    NoteInputSize();
    return true;
}

void RowSource::DigestReaderInput() {
    digest_ = std::make_unique<TSHAObject>();
    reader_->ObserveInput([this](const char* bytes, std::size_t count) {
        digest_->HashBuffer(bytes, static_cast<std::int32_t>(count));
    });
}

std::string RowSource::InputSha256Hex() {
    if (!inputSha256_.empty() || !digest_) return inputSha256_;
    digest_->FinalizeHash();
    inputSha256_ = HexText(digest_->Hash, sizeof digest_->Hash);
    digest_.reset();
    return inputSha256_;
}

void RowSource::NoteInputSize() {
    struct stat info {};
    inputStart_ = ftello(file_);
    if (inputStart_ < 0 || fstat(fileno(file_), &info) != 0 || !S_ISREG(info.st_mode) ||
        info.st_size < inputStart_) {
        inputStart_ = -1;
        return;
    }
    progress_.SetInputBytes(static_cast<std::uint64_t>(info.st_size - inputStart_));
}

void RowSource::NoteInputRead() {
    if (inputStart_ < 0) return;
    const off_t at = ftello(file_);
    if (at >= inputStart_)
        progress_.SetInputBytesDone(static_cast<std::uint64_t>(at - inputStart_));
}

std::FILE* RowSource::ParallelFile() const {
    if (!ownsFile_ || DefaultThreadCount() < 2 || reader_->LineNumber() != 0) return nullptr;
    struct stat info {};
    if (fstat(fileno(file_), &info) != 0 || !S_ISREG(info.st_mode)) return nullptr;
    // A regular file of size 0 may still hold bytes (/proc's files do): read it in one pass.
    const off_t at = ftello(file_);
    if (at < 0 || info.st_size <= at) return nullptr;
    return file_;
}

ExportCountOptions RowSource::ParallelOptions() {
    ExportCountOptions options;
    options.threads = DefaultThreadCount();
    options.progress = &progress_;
    if (digest_) {
        options.observeInput = [this](const char* bytes, std::size_t count) {
            digest_->HashBuffer(bytes, static_cast<std::int32_t>(count));
        };
    }
    return options;
}

void RowSource::Rewind() {
    std::rewind(file_);
    progress_.Restart();
    if (digest_) digest_ = std::make_unique<TSHAObject>();
}

void RowSource::MakeRows(std::uint8_t* rows, std::size_t count) {
    if (streamMaker_) {
        streamMaker_->Make(rows, count);
    } else {
        maker_->Make(rows, count);
    }
}

void RowSource::StartPipeline() {
    pipeline_ = std::make_unique<RowPipeline>(
        remaining_, PipelineBatchRows, PipelineSlots,
        [this](std::uint8_t* rows, std::size_t count) { MakeRows(rows, count); });
}

bool RowSource::MakeBatch() {
    batchNext_ = 0;
    if (streamMaker_ && !pipeline_ && batch_.empty()) {
        if (DefaultThreadCount() >= 2) {
            StartPipeline();
        } else {
            batch_.resize(RowsPerBatch * DeckSize);
        }
    }
    if (pipeline_) {
        batchRowsAt_ = pipeline_->Next(batchRows_);
        return batchRows_ != 0;
    }
    batchRows_ = static_cast<std::size_t>(std::min<std::uint64_t>(remaining_, RowsPerBatch));
    if (batchRows_ == 0) return false;
    MakeRows(batch_.data(), batchRows_);
    remaining_ -= batchRows_;
    batchRowsAt_ = batch_.data();
    return true;
}

RowSource::Status RowSource::Next(std::uint8_t* row) {
    if (reader_) return reader_->Next(row);
    if (batchNext_ == batchRows_ && !MakeBatch()) return Status::End;
    std::memcpy(row, batchRowsAt_ + batchNext_++ * DeckSize, DeckSize);
    return Status::Row;
}

RowSource::Status RowSource::NextBatch(std::uint8_t* rows, std::size_t capacity,
                                       std::size_t& count) {
    count = 0;
    Status status = Status::Row;
    while (count < capacity && (status = Next(rows + count * DeckSize)) == Status::Row) ++count;
    progress_.Advance(count);
    if (reader_) NoteInputRead();
    return status;
}

RowSource::Status RowSource::TakeBatch(const std::uint8_t*& rows, std::size_t& count) {
    count = 0;
    Status status = Status::Row;
    if (reader_) {
        if (batch_.empty()) batch_.resize(RowsPerBatch * DeckSize);
        while (count < RowsPerBatch &&
               (status = reader_->Next(&batch_[count * DeckSize])) == Status::Row) {
            ++count;
        }
        rows = batch_.data();
        NoteInputRead();
    } else {
        // The rest of a batch that Next() began, or a whole new one.
        if (batchNext_ == batchRows_ && !MakeBatch()) status = Status::End;
        if (status == Status::Row) {
            rows = batchRowsAt_ + batchNext_ * DeckSize;
            count = batchRows_ - batchNext_;
            batchNext_ = batchRows_;
        }
    }
    progress_.Advance(count);
    return status;
}

// A bad line is reported as FILE:LINE: alone, as compilers do; a read failure is the
// program's own error.
int SourceError(const RowSource& source, RowSource::Status status) {
    if (status == RowSource::Status::BadLine) {
        std::fputs((PrintableText(source.Error()) + "\n").c_str(), stderr);
        return ExitUsage;
    }
    PrintError(source.Error());
    return ExitFailure;
}

std::string LocaleDecimalSeparator() {
    const char* point = std::localeconv()->decimal_point;
    return point && *point ? point : ".";
}

}  // namespace brevane::cli
