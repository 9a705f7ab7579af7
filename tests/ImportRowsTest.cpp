#include "analysis/ImportRows.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "AnalysisReference.h"
#include "analysis/Export.h"
#include "cards/Cards.h"
#include "support/CliRunner.h"

namespace brevane {
namespace {

using test::ReadFileBytes;
using test::RunCli;
using test::TempDir;
using test::WriteFileBytes;
using Status = ExportFileImport::Status;

std::vector<std::uint8_t> RowOf(const ShuffleList& list, std::size_t index) {
    return {list.Row(index), list.Row(index) + DeckSize};
}

std::vector<std::vector<std::uint8_t>> RowsOf(const ShuffleList& list) {
    std::vector<std::vector<std::uint8_t>> rows;
    for (std::size_t r = 0; r < list.Count(); ++r) rows.push_back(RowOf(list, r));
    return rows;
}

// The rows of a well-formed export text, read the plain way: lines split at LF with any CR
// dropped, names split at spaces and looked up one by one among the 52 card names.
std::vector<std::vector<std::uint8_t>> LiteralRows(const std::string& text) {
    std::vector<std::vector<std::uint8_t>> rows;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::uint8_t> row;
        for (std::size_t k = 0; k < line.size(); k += 3) {
            for (CardCode c = 1; c <= DeckSize; ++c) {
                if (CardName(c) == line.substr(k, 2)) row.push_back(static_cast<std::uint8_t>(c));
            }
        }
        rows.push_back(row);
        at = end + 1;
    }
    return rows;
}

std::string ExportText(const ShuffleList& list, bool crlf = true) {
    std::string text;
    char line[ExportLineBytes];
    for (std::size_t r = 0; r < list.Count(); ++r) {
        FormatExportLine(list.Row(r), line);
        text.append(line, ExportLineBytes - 2);
        text += crlf ? "\r\n" : "\n";
    }
    return text;
}

// Reads `path` into `list` as the window does: staged, then committed only when all was good.
Status ImportInto(ShuffleList& list, const std::string& path, std::string* error = nullptr,
                  std::size_t maxRows = SIZE_MAX, WorkProgress* progress = nullptr) {
    ExportFileImport import(path, path);
    ShuffleList::Staging staged(list);
    const Status status = import.StageRows(staged, maxRows, progress);
    if (status == Status::Read) staged.Commit();
    if (error) *error = import.Error();
    return status;
}

TEST(ShuffleListStaging, RowsJoinOnlyWhenCommitted) {
    // The list ends five rows before a block's end, so staged rows fill its last block first
    // and then blocks of their own.
    const std::size_t before = ShuffleList::RowsPerBlock - 5;
    ShuffleList list = reference::ShuffledList(before);
    const ShuffleList source = reference::ShuffledList(12, 9);
    const auto rowsBefore = RowOf(list, before - 1);
    {
        ShuffleList::Staging staged(list);
        for (std::size_t r = 0; r < source.Count(); ++r) {
            std::memcpy(staged.Slot(), source.Row(r), DeckSize);
            staged.Keep();
        }
        EXPECT_EQ(staged.Count(), std::size_t{12});
        EXPECT_EQ(list.Count(), before);
    }
    EXPECT_EQ(list.Count(), before);
    EXPECT_EQ(RowOf(list, before - 1), rowsBefore);

    ShuffleList::Staging staged(list);
    for (std::size_t r = 0; r < source.Count(); ++r) {
        std::memcpy(staged.Slot(), source.Row(r), DeckSize);
        staged.Keep();
    }
    staged.Slot();  // a slot not kept stays out of the list
    staged.Commit();
    ASSERT_EQ(list.Count(), before + 12);
    EXPECT_EQ(RowOf(list, before - 1), rowsBefore);
    for (std::size_t r = 0; r < 12; ++r) EXPECT_EQ(RowOf(list, before + r), RowOf(source, r)) << r;
    // Appending goes on behind the committed rows.
    Deck deck = InitialDeck();
    list.Append(deck);
    EXPECT_EQ(list.Record(before + 12), deck);
    EXPECT_EQ(list.BytesAllocated() / ShuffleList::BlockBytes, std::size_t{2});
}

TEST(ShuffleListStaging, EndingOnABlocksEdgeLeavesNoEmptyBlock) {
    ShuffleList list;
    const ShuffleList source = reference::ShuffledList(3);
    ShuffleList::Staging staged(list);
    for (std::size_t r = 0; r < ShuffleList::RowsPerBlock; ++r) {
        std::memcpy(staged.Slot(), source.Row(r % 3), DeckSize);
        staged.Keep();
    }
    staged.Slot();  // the reader asks for one more slot before it finds the end
    staged.Commit();
    EXPECT_EQ(list.Count(), ShuffleList::RowsPerBlock);
    EXPECT_EQ(list.BytesAllocated() / ShuffleList::BlockBytes, std::size_t{1});
    list.Append(InitialDeck());
    EXPECT_EQ(list.Record(ShuffleList::RowsPerBlock), InitialDeck());
    EXPECT_EQ(RowOf(list, ShuffleList::RowsPerBlock - 1), RowOf(source, 0));
}

TEST(ExportFileImport, AppendsTheFilesRowsAfterThoseThere) {
    TempDir dir;
    ShuffleList list = reference::ShuffledList(ShuffleList::RowsPerBlock - 100, 4);
    const auto kept = RowsOf(list);
    const ShuffleList source = reference::ShuffledList(300, 5);
    const std::string text = ExportText(source);
    WriteFileBytes(dir.File("rows.txt"), text);
    std::string error = "unset";
    ASSERT_EQ(ImportInto(list, dir.File("rows.txt"), &error), Status::Read);
    EXPECT_EQ(error, "");
    const auto literal = LiteralRows(text);
    ASSERT_EQ(list.Count(), kept.size() + literal.size());
    for (std::size_t r = 0; r < kept.size(); ++r) ASSERT_EQ(RowOf(list, r), kept[r]) << r;
    for (std::size_t r = 0; r < literal.size(); ++r)
        ASSERT_EQ(RowOf(list, kept.size() + r), literal[r]) << r;
}

TEST(ExportFileImport, ReadsLfCrLfAndAMissingLastLineEnd) {
    TempDir dir;
    const ShuffleList source = reference::ShuffledList(5, 2);
    const std::string crlf = ExportText(source);
    const std::string lf = ExportText(source, false);
    const std::string mixed = crlf.substr(0, 2 * ExportLineBytes) + lf.substr(2 * 156, 156) +
                              crlf.substr(3 * ExportLineBytes, ExportLineBytes) +
                              crlf.substr(4 * ExportLineBytes, ExportLineBytes - 2);
    for (const std::string& text : {crlf, lf, mixed}) {
        WriteFileBytes(dir.File("rows.txt"), text);
        ShuffleList list;
        ASSERT_EQ(ImportInto(list, dir.File("rows.txt")), Status::Read);
        EXPECT_EQ(RowsOf(list), RowsOf(source));
        EXPECT_EQ(RowsOf(list), LiteralRows(text));
    }
    // A file without rows appends none.
    WriteFileBytes(dir.File("empty.txt"), "");
    ShuffleList list = reference::ShuffledList(2);
    EXPECT_EQ(ImportInto(list, dir.File("empty.txt")), Status::Read);
    EXPECT_EQ(list.Count(), std::size_t{2});
}

// Every fault of a line appends nothing, and names the file and line as `--input` does.
TEST(ExportFileImport, ABadLineAppendsNothingAndSaysWhereAsTheCommandLineDoes) {
    TempDir dir;
    const ShuffleList source = reference::ShuffledList(4, 3);
    const std::string good = ExportText(source);
    const std::string line = good.substr(ExportLineBytes, ExportLineBytes - 2);
    const std::string duplicate = line.substr(0, line.size() - 2) + line.substr(0, 2);
    const struct {
        std::string bad;
        std::string message;
    } cases[] = {
        {line.substr(3), "expected 52 cards, found 51"},
        {"Xx" + line.substr(2), "unknown card name \"Xx\""},
        {duplicate, "card " + line.substr(0, 2) + " appears twice"},
        {line.substr(0, 2) + "  " + line.substr(3),
         "cards must be separated by single spaces, "
         "with none at the start or end of the line"},
        {"", "empty line (expected 52 cards)"},
    };
    const ShuffleList base = reference::ShuffledList(7, 8);
    for (const auto& c : cases) {
        const std::string text =
            good.substr(0, 2 * ExportLineBytes) + c.bad + "\r\n" + good.substr(3 * ExportLineBytes);
        const std::string path = dir.File("bad.txt");
        WriteFileBytes(path, text);
        ShuffleList list = reference::ShuffledList(7, 8);
        std::string error;
        EXPECT_EQ(ImportInto(list, path, &error), Status::BadLine) << c.message;
        EXPECT_EQ(error, path + ":3: " + c.message);
        EXPECT_EQ(RowsOf(list), RowsOf(base));
        const auto cli = RunCli({"report", "suit", "Club", "--input", path, "--quiet"});
        EXPECT_EQ(cli.status, 2);
        EXPECT_EQ(cli.err, error + "\n");
    }
}

TEST(ExportFileImport, ProgressCountsTheBytesAndCancelAppendsNothing) {
    TempDir dir;
    const ShuffleList source = reference::ShuffledList(10000, 7);
    WriteFileBytes(dir.File("rows.txt"), ExportText(source));
    ShuffleList list = reference::ShuffledList(2);
    {
        WorkProgress progress;
        ASSERT_EQ(ImportInto(list, dir.File("rows.txt"), nullptr, SIZE_MAX, &progress),
                  Status::Read);
        EXPECT_EQ(progress.Total(), std::uint64_t{10000 * ExportLineBytes});
        EXPECT_EQ(progress.Done(), progress.Total());
    }
    EXPECT_EQ(list.Count(), std::size_t{10002});
    WorkProgress cancelled;
    cancelled.Cancel();
    EXPECT_THROW(ImportInto(list, dir.File("rows.txt"), nullptr, SIZE_MAX, &cancelled),
                 WorkCancelled);
    EXPECT_EQ(list.Count(), std::size_t{10002});
}

TEST(ExportFileImport, MostRowsBoundsTheRowsOfAFile) {
    TempDir dir;
    for (const std::size_t rows : {0, 1, 2, 37}) {
        const ShuffleList source = reference::ShuffledList(rows, 1);
        // The tightest layout: LF line ends and none after the last line.
        std::string tight = ExportText(source, false);
        if (!tight.empty()) tight.pop_back();
        for (const std::string& text : {tight, ExportText(source)}) {
            WriteFileBytes(dir.File("rows.txt"), text);
            ExportFileImport import(dir.File("rows.txt"), "rows.txt");
            ASSERT_TRUE(import.IsOpen());
            ASSERT_EQ(import.Bytes(), std::optional<std::uint64_t>(text.size()));
            EXPECT_GE(import.MostRows(), std::optional<std::uint64_t>(rows));
        }
        WriteFileBytes(dir.File("tight.txt"), tight);
        EXPECT_EQ(ExportFileImport(dir.File("tight.txt"), "").MostRows(),
                  std::optional<std::uint64_t>(rows));
    }
}

TEST(ExportFileImport, OpeningASavedFileAndSavingAgainGivesTheSameBytes) {
    TempDir dir;
    const ShuffleList source = reference::ShuffledList(ShuffleList::RowsPerBlock + 50, 11);
    ExportShuffleList(source, dir.File("first.txt"));
    ShuffleList list;
    ASSERT_EQ(ImportInto(list, dir.File("first.txt")), Status::Read);
    ExportShuffleList(list, dir.File("second.txt"));
    const std::string first = ReadFileBytes(dir.File("first.txt"));
    EXPECT_EQ(first.size(), source.Count() * ExportLineBytes);
    EXPECT_TRUE(ReadFileBytes(dir.File("second.txt")) == first);
}

}  // namespace
}  // namespace brevane
