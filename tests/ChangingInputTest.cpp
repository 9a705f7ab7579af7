// An export file read on several threads while it changes: it shrinks, grows, fails to be read,
// or holds no line end. The pieces are read with pread() into reused buffers, so none of these
// may crash; what is counted and what is digested must be the same bytes.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "AnalysisReference.h"
#include "analysis/Export.h"
#include "stats/ShuffleCounts.h"
#include "support/CliRunner.h"
#include "support/SameCounts.h"
#include "work/ParallelExport.h"

namespace brevane {
namespace {

// Rows over three pieces and a half, so that pieces are read while others are counted.
constexpr std::size_t Rows = 7 * ExportPieceBytes / 2 / ExportLineBytes;

const ShuffleList& List() {
    static const ShuffleList list = reference::ShuffledList(Rows, 9);
    return list;
}

std::string ExportText(const ShuffleList& list, std::size_t rows, bool crlf) {
    std::string text;
    char line[ExportLineBytes];
    for (std::size_t r = 0; r < rows; ++r) {
        FormatExportLine(list.Row(r), line);
        text.append(line, crlf ? ExportLineBytes : ExportLineBytes - 2);
        if (!crlf) text += '\n';
    }
    return text;
}

// The counts of `text` read the slow, literal way: split at each LF, a CR before it dropped,
// each line parsed on its own; nullopt at the first line that is not a row.
std::optional<ShuffleCounts> CountedLineByLine(const std::string& text, const SeatView& view) {
    ShuffleCounts counts(view);
    std::size_t at = 0;
    std::uint8_t row[DeckSize];
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!ParseExportLine(line, row).empty()) return std::nullopt;
        counts.AddRow(row);
        at = end + 1;
    }
    return counts;
}

SeatView Rotating() {
    SeatView view;
    view.players = 5;
    view.seatPosition = 5 + 1;
    return view;
}

// A file on disk holding `text`, open for reading from its start, that a test may change.
class ChangingFile {
  public:
    explicit ChangingFile(const std::string& text) : path_(dir_.File("rows.txt")) {
        test::WriteFileBytes(path_, text);
        file_ = std::fopen(path_.c_str(), "rb");
        if (!file_) throw std::runtime_error("cannot open " + path_);
    }
    ~ChangingFile() { std::fclose(file_); }
    std::FILE* File() const { return file_; }
    void Truncate(std::size_t size) const { ASSERT_EQ(truncate(path_.c_str(), size), 0); }
    void Append(const std::string& more) const {
        std::FILE* out = std::fopen(path_.c_str(), "ab");
        ASSERT_TRUE(out);
        std::fwrite(more.data(), 1, more.size(), out);
        std::fclose(out);
    }
    std::string Bytes() const { return test::ReadFileBytes(path_); }

  private:
    test::TempDir dir_;
    std::string path_;
    std::FILE* file_;
};

// Counts `file` as the command line does, with the observed bytes gathered in `observed`.
std::optional<ShuffleCounts> CountObserved(const ChangingFile& file, unsigned threads,
                                           std::string& observed,
                                           ExportPieceReader::ReadHook hook = {}) {
    ExportCountOptions options;
    options.threads = threads;
    options.observeInput = [&](const char* bytes, std::size_t count) {
        observed.append(bytes, count);
    };
    options.beforeRead = std::move(hook);
    return CountExportFile<ShuffleCounts>(
        file.File(), [](std::uint64_t first) { return ShuffleCounts(Rotating(), first); }, options);
}

TEST(ExportPieceReader, PiecesAreTheFileCutAtLineEnds) {
    for (const bool crlf : {false, true}) {
        std::string text = ExportText(List(), 200, crlf);
        for (const bool lastEnded : {true, false}) {
            if (!lastEnded) text.resize(text.size() - (crlf ? 2 : 1));
            const ChangingFile file(text);
            ExportPieceReader reader(fileno(file.File()), 0);
            // Room for a few lines and a part line, so that nearly every piece carries one on.
            std::vector<char> buffer(1000);
            std::string joined;
            std::size_t size = 0;
            ExportPieceReader::Result result;
            while ((result = reader.Next(buffer.data(), buffer.size(), size)) ==
                   ExportPieceReader::Result::Piece) {
                EXPECT_EQ(reader.PieceOffset(), joined.size());
                joined.append(buffer.data(), size);
                if (joined.size() < text.size()) {
                    EXPECT_EQ(buffer[size - 1], '\n');
                }
            }
            EXPECT_EQ(result, ExportPieceReader::Result::End);
            EXPECT_EQ(joined, text);
            EXPECT_EQ(reader.FirstLineBytes(), crlf ? ExportLineBytes : ExportLineBytes - 1);
        }
    }
}

// A valid line is at most LongestExportLine bytes; a file whose first line runs on (an 8 GB hole
// made with truncate) is refused after one piece instead of being scanned whole.
TEST(ExportPieceReader, ALineLongerThanAnyRowIsRefusedAfterOnePiece) {
    const std::string rows = ExportText(List(), 30, false);
    const std::string longFirst = std::string(LongestExportLine, 'x') + "\n" + rows;
    const std::string longLater = rows + std::string(2000, ' ') + "\n" + rows;
    for (const std::string* text : {&longFirst, &longLater}) {
        const ChangingFile file(*text);
        ExportPieceReader reader(fileno(file.File()), 0);
        std::vector<char> buffer(1000);
        std::size_t size = 0;
        ExportPieceReader::Result result;
        while ((result = reader.Next(buffer.data(), buffer.size(), size)) ==
               ExportPieceReader::Result::Piece) {
        }
        EXPECT_EQ(result, ExportPieceReader::Result::Unsuitable);
    }
    const ChangingFile hole("");
    hole.Truncate(std::size_t{8} << 30);
    std::uint64_t lastRead = 0;
    int reads = 0;
    std::string observed;
    EXPECT_FALSE(CountObserved(hole, 2, observed, [&](std::uint64_t offset) {
        lastRead = offset;
        ++reads;
    }));
    EXPECT_LT(lastRead, ExportPieceBytes);
    EXPECT_GE(reads, 1);
    EXPECT_EQ(observed, "");
    // One row without its line end is a whole file, not a line too long.
    const std::string one = ExportText(List(), 1, false);
    const ChangingFile single(one.substr(0, one.size() - 1));
    const auto counts = CountObserved(single, 2, observed);
    ASSERT_TRUE(counts);
    EXPECT_EQ(counts->Rows(), 1u);
}

TEST(ChangingInput, EveryThreadCountObservesExactlyTheBytesCountedInOrder) {
    for (const bool crlf : {false, true}) {
        const std::string text = ExportText(List(), Rows, crlf);
        const auto literal = CountedLineByLine(text, Rotating());
        ASSERT_TRUE(literal);
        for (const unsigned threads : {1u, 2u, 3u, 7u}) {
            const ChangingFile file(text);
            std::string observed;
            const auto counts = CountObserved(file, threads, observed);
            ASSERT_TRUE(counts) << threads;
            test::ExpectSameCounts(*counts, *literal);
            EXPECT_TRUE(observed == text) << threads << " threads";
        }
    }
}

// Lines are LF-ended: 156 bytes each.
constexpr std::size_t LfLine = ExportLineBytes - 1;

TEST(ChangingInput, AFileThatShrinksGivesTheRowsReadOrIsLeftToTheOnePassReader) {
    const std::string text = ExportText(List(), Rows, false);
    const std::size_t firstPieceRows = ExportPieceBytes / LfLine;
    struct Case {
        std::size_t keptBytes;  // the file's size after it shrank
        std::optional<std::size_t> rows;
    };
    const Case cases[] = {
        // inside the second piece, at a line end: the rows left
        {(firstPieceRows + 500) * LfLine, firstPieceRows + 500},
        {(firstPieceRows + 1) * LfLine, firstPieceRows + 1},
        // inside a line: its part is not a row, and the one-pass reader reports it
        {(firstPieceRows + 500) * LfLine + 40, std::nullopt},
        // below what was read already: the first piece's last part line is cut short
        {100 * LfLine, std::nullopt},
        {0, std::nullopt},
    };
    for (const Case& c : cases) {
        for (const unsigned threads : {1u, 2u}) {
            const ChangingFile file(text);
            std::string observed;
            bool shrunk = false;
            const auto counts = CountObserved(file, threads, observed, [&](std::uint64_t at) {
                if (at == 0 || shrunk) return;
                shrunk = true;
                file.Truncate(c.keptBytes);
            });
            EXPECT_TRUE(shrunk);
            ASSERT_EQ(counts.has_value(), c.rows.has_value()) << c.keptBytes;
            if (!counts) continue;
            EXPECT_EQ(counts->Rows(), *c.rows);
            const std::string counted = text.substr(0, *c.rows * LfLine);
            test::ExpectSameCounts(*counts, *CountedLineByLine(counted, Rotating()));
            EXPECT_TRUE(observed == counted) << c.keptBytes << " " << threads;
        }
    }
}

TEST(ChangingInput, AFileThatGrowsIsCountedAndObservedToWhereItWasRead) {
    const std::string text = ExportText(List(), Rows, false);
    const std::string more = ExportText(reference::ShuffledList(3000, 4), 3000, false);
    for (const unsigned threads : {1u, 2u, 7u}) {
        const ChangingFile file(text);
        std::string observed;
        bool grown = false;
        const auto counts = CountObserved(file, threads, observed, [&](std::uint64_t at) {
            if (at == 0 || grown) return;
            grown = true;
            file.Append(more);
        });
        ASSERT_TRUE(counts);
        EXPECT_EQ(counts->Rows(), Rows + 3000);
        EXPECT_TRUE(observed == file.Bytes()) << threads;
        test::ExpectSameCounts(*counts, *CountedLineByLine(text + more, Rotating()));
    }
}

// A read the system refuses, or an observer that throws, never gives counts as if the file were
// whole: the caller reads it again in one pass and reports what it finds.
TEST(ChangingInput, AFailedReadOrObserverGivesNoCounts) {
    const std::string text = ExportText(List(), Rows, false);
    for (const unsigned threads : {1u, 2u}) {
        const ChangingFile file(text);
        std::string observed;
        bool broken = false;
        const int fd = fileno(file.File());
        EXPECT_FALSE(CountObserved(file, threads, observed, [&](std::uint64_t at) {
            if (at == 0 || broken) return;
            broken = true;
            // The file's descriptor now names a folder, whose reads fail with EISDIR.
            const int folder = open("/", O_RDONLY | O_DIRECTORY);
            ASSERT_GE(folder, 0);
            ASSERT_EQ(dup2(folder, fd), fd);
            close(folder);
        }));
        EXPECT_TRUE(broken);
    }
    for (const unsigned threads : {1u, 2u, 3u}) {
        const ChangingFile file(text);
        int calls = 0;
        ExportCountOptions options;
        options.threads = threads;
        options.observeInput = [&](const char*, std::size_t) {
            if (++calls == 2) throw std::runtime_error("digest failed");
        };
        EXPECT_FALSE(CountExportFile<ShuffleCounts>(
            file.File(), [](std::uint64_t first) { return ShuffleCounts(Rotating(), first); },
            options));
    }
}

}  // namespace
}  // namespace brevane
