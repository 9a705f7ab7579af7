#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/RowParser.h"
#include "analysis/SeatView.h"
#include "analysis/ShuffleList.h"
#include "cli/Commands.h"
#include "models/ShuffleModel.h"
#include "models/ShuffleRows.h"
#include "random/SHA256.h"
#include "streams/StreamPlan.h"
#include "streams/StreamRows.h"
#include "work/ParallelExport.h"
#include "work/RowPipeline.h"
#include "work/WorkProgress.h"

namespace brevane::cli {

// The options shared by `report` and `hands`: where the rows come from, and the seat and stage.
struct AnalysisOptions {
    std::optional<std::string> input;  // --input FILE, "-" for standard input
    std::optional<std::uint64_t> shuffles;
    std::optional<std::string_view> key;  // checked: 64 hexadecimal digits
    SeatView view;                        // --players, --seat, --rotate, --stage
    ShuffleModel model;                   // --model, with --shuffles only
    bool fromNewDeck = false;
    // --streams S: the shuffles split over S independent streams (1: one list, the key's own);
    // --stream s: stream s of such a run alone. With --shuffles only.
    std::uint64_t streams = 1;
    std::optional<std::uint64_t> stream;
    bool quiet = false;  // --quiet: no progress line
    // --first-row R: the index in the whole list of the first row, where a rotating seat
    // starts; below 2^63.
    std::uint64_t firstRow = 0;
    bool firstRowGiven = false;             // whether --first-row was given, even as 0
    std::optional<std::string> saveCounts;  // --save-counts FILE; not for `hands`
    // --threads N; 0: DefaultThreadCount. A valid value has been made the process's default.
    unsigned threads = 0;
    // Set by a command whose output names the input file's SHA-256 (SourceJson), before
    // RowSource::Open: standard input is then digested as it is read.
    bool digestInput = false;

    // `hands` only.
    std::optional<std::int32_t> handClass;  // none: every row
    std::uint64_t from = 1;
    std::optional<std::uint64_t> limit;

    // Arguments that are not options, in order.
    std::vector<std::string_view> operands;
};

// Prints "brevane-cli: COMMAND: message" on standard error; returns ExitUsage.
int UsageError(std::string_view command, std::string_view message);

// Where a command's rows come from: --input or --shuffles, or counts saved before (`merge`),
// which bring their seat and stage with them.
enum class RowsFrom { Options, SavedCounts };

// Parses the shared options, and with `handsOptions` also --class, --from and --limit (and not
// --save-counts), among operands in any order. With RowsFrom::SavedCounts the options of rows,
// seat and stage are refused. On a bad argument prints a one-line error and returns nullopt.
std::optional<AnalysisOptions> ParseAnalysisOptions(std::string_view command, Args args,
                                                    bool handsOptions,
                                                    RowsFrom rowsFrom = RowsFrom::Options);
// ParseAnalysisOptions for a command that takes no operands: refuses the first one with a
// one-line error.
std::optional<AnalysisOptions> ParseOperandFreeOptions(std::string_view command, Args args,
                                                       bool handsOptions,
                                                       RowsFrom rowsFrom = RowsFrom::Options);

// ExitOk when `rows` rows from --first-row on stay within the row indexes (RowsFit);
// otherwise prints why not and gives ExitUsage. For the rows of --input, whose number is
// known only once they have been read (--shuffles is checked as it is parsed).
int RefuseRowsPastLastIndex(std::string_view command, const AnalysisOptions& options,
                            std::uint64_t rows);

// The rows of --input (read in the export format and checked line by line) or of --shuffles
// (made as `shuffle` makes them, a batch at a time, never stored). With two threads or more
// (DefaultThreadCount), generated rows are made on a thread of their own, a few batches ahead of
// the caller. Progress() counts the rows handed out, out of --shuffles when it is given.
class RowSource {
  public:
    using Status = ExportReader::Status;

    RowSource() = default;
    RowSource(const RowSource&) = delete;
    RowSource& operator=(const RowSource&) = delete;
    ~RowSource();

    // False, with a message in Error(), when the input file cannot be opened. Rows to be made
    // key or seed the process's generator here.
    bool Open(const AnalysisOptions& options);
    // The next row into row[0..51].
    Status Next(std::uint8_t* row);
    // Up to `capacity` next rows, back to back; `count` is how many arrived. Row when the batch
    // is full; otherwise the status that ended it, the rows before it being valid.
    Status NextBatch(std::uint8_t* rows, std::size_t capacity, std::size_t& count);
    // The next rows, without copying: `rows` points at `count` rows back to back, valid until
    // the next call. Row when more may follow (count > 0); otherwise the status that ended the
    // rows, the `count` rows before it being valid.
    Status TakeBatch(const std::uint8_t*& rows, std::size_t& count);
    WorkProgress& Progress() { return progress_; }
    // The input file, for counting on several threads (CountExportFile), when there are two
    // threads or more and --input names a regular file not yet read from whose size can be
    // trusted (not 0, as /proc gives); otherwise null.
    std::FILE* ParallelFile() const;
    // How CountExportFile counts ParallelFile(): on DefaultThreadCount() threads, advancing
    // Progress(), and digesting what it counts when the input is digested.
    ExportCountOptions ParallelOptions();
    // Back to the start of the input file, after CountExportFile gave up on it; what it
    // digested is forgotten.
    void Rewind();
    // The streams the rows are made from, when they are independent streams (--streams S with
    // S >= 2, or --stream s); otherwise null.
    const StreamPlan* Streams() const {
        return streams_ && streams_->Derived() ? &*streams_ : nullptr;
    }
    // The streams of generated rows, one for a run of one list; null for --input.
    const StreamPlan* Plan() const { return streams_ ? &*streams_ : nullptr; }
    // The --input file's name.
    const std::string& InputPath() const { return inputPath_; }
    // Sets what InputSha256Hex gives, for an input digested elsewhere.
    void SetInputSha256Hex(std::string hex) { inputSha256_ = std::move(hex); }
    // Whether the rows are generated, so that no bad line can come.
    bool Generated() const { return !reader_; }
    const std::string& Error() const {
        if (!inputError_.empty()) return inputError_;
        return reader_ ? reader_->Error() : error_;
    }
    // Sets what Error() gives, for input read elsewhere that stopped at a bad line or a failed
    // read.
    void SetInputError(std::string message) { inputError_ = std::move(message); }
    // The key the generated rows were made with, in hexadecimal (also when the timer chose it).
    const std::string& KeyHex() const { return keyHex_; }
    // SHA-256 in hexadecimal of every byte of the input that was counted, once it has been read
    // to its end: taken as the bytes were read, never by reading again. Empty when the input
    // was not opened with digestInput.
    std::string InputSha256Hex();

  private:
    void MakeRows(std::uint8_t* rows, std::size_t count);
    // Makes the rows on a thread of their own, a few batches ahead.
    void StartPipeline();
    // Points batch_ at the next made rows; false when every row has been made.
    bool MakeBatch();
    // Digests every byte the reader reads from now on.
    void DigestReaderInput();
    // Sets the input file's size, from where it is read on, as the progress's input bytes, when
    // it is a regular file.
    void NoteInputSize();
    // The bytes of the input file read so far, into the progress.
    void NoteInputRead();

    std::FILE* file_ = nullptr;
    bool ownsFile_ = false;
    std::optional<ExportReader> reader_;
    std::uint64_t remaining_ = 0;
    std::unique_ptr<ShuffleRowMaker> maker_;
    std::optional<StreamPlan> streams_;
    std::unique_ptr<StreamRowMaker> streamMaker_;  // in place of maker_ for streams_
    std::unique_ptr<RowPipeline> pipeline_;
    std::vector<std::uint8_t> batch_;
    const std::uint8_t* batchRowsAt_ = nullptr;  // batch_ or the pipeline's current batch
    std::size_t batchNext_ = 0;
    std::size_t batchRows_ = 0;
    std::string error_;
    std::string keyHex_;
    std::string inputPath_;
    std::string inputSha256_;
    std::string inputError_;
    std::unique_ptr<TSHAObject> digest_;  // of the bytes the reader has read so far
    WorkProgress progress_;
    std::int64_t inputStart_ = 0;  // where the input file was first read from
};

// Exit status for a source that stopped with `status` (BadLine or ReadFailed), after printing
// its message.
int SourceError(const RowSource& source, RowSource::Status status);

// The decimal separator of the locale that main() set from the environment (LC_ALL,
// LC_NUMERIC, LANG).
std::string LocaleDecimalSeparator();

}  // namespace brevane::cli
