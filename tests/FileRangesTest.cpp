// A file cut into byte ranges at line starts, each range counted on its own: the ranges cover
// the file, and their counts, merged in order, are the whole file's.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "analysis/Export.h"
#include "ranges/FileRanges.h"
#include "ranges/PartGuessing.h"
#include "ranges/RangeCount.h"
#include "support/CliRunner.h"
#include "support/CountedRows.h"
#include "support/LiteralGuessing.h"
#include "support/PartTables.h"
#include "support/SameCounts.h"
#include "work/ExportPieces.h"

namespace brevane {
namespace {

using test::TempDir;

struct FdCloser {
    int fd;
    ~FdCloser() { close(fd); }
};

// The range starts for `parts` parts, found with NextLineStart.
std::vector<std::uint64_t> Starts(int fd, std::uint64_t size, std::uint64_t parts,
                                  std::uint64_t firstPerMille) {
    std::vector<std::uint64_t> starts;
    for (std::uint64_t p = 0; p < parts; ++p) {
        int error = 0;
        const auto start =
            NextLineStart(fd, WeightedCut(size, p, parts, firstPerMille), size, error);
        EXPECT_TRUE(start) << error;
        starts.push_back(start.value_or(0));
    }
    return starts;
}

TEST(FileRanges, CutsFallOnTheFirstLineStartAtOrAfterEachWeightedCut) {
    TempDir dir;
    const std::vector<std::string> contents = {
        "", "\n", "no line end", "a\nbb\n\nccc\ndddd\n", "a\nbb\nccc", "\n\n\n\n\n", "x\r\ny\r\n"};
    for (const std::string& content : contents) {
        const std::string path = dir.File("cut.txt");
        test::WriteFileBytes(path, content);
        const FdCloser file{open(path.c_str(), O_RDONLY)};
        const std::uint64_t size = content.size();
        for (std::uint64_t parts = 1; parts <= 7; ++parts) {
            for (const std::uint64_t firstPerMille : {0u, 300u, 1000u}) {
                SCOPED_TRACE(content + ", parts " + std::to_string(parts));
                const std::vector<std::uint64_t> starts =
                    Starts(file.fd, size, parts, firstPerMille);
                for (std::uint64_t p = 0; p < parts; ++p) {
                    const std::uint64_t cut = WeightedCut(size, p, parts, firstPerMille);
                    // The literal rule: the first offset >= cut that is 0, follows '\n', or
                    // is the file's end.
                    std::uint64_t expected = cut;
                    while (expected != 0 && expected < size && content[expected - 1] != '\n')
                        ++expected;
                    EXPECT_EQ(starts[p], expected);
                    if (p > 0) {
                        EXPECT_GE(starts[p], starts[p - 1]);
                    }
                }
                EXPECT_EQ(starts[0], 0u);
            }
        }
    }
}

TEST(FileRanges, WeightedCutsGiveTheFirstPartItsShare) {
    EXPECT_EQ(WeightedCut(1000, 1, 2, 1000), 500u);
    EXPECT_EQ(WeightedCut(1000, 1, 2, 500), 333u);
    EXPECT_EQ(WeightedCut(1000, 1, 3, 0), 0u);
    EXPECT_EQ(WeightedCut(1000, 2, 3, 0), 500u);
    EXPECT_EQ(WeightedCut(1000, 3, 3, 0), 1000u);
    // No overflow for sizes near 2^63.
    const std::uint64_t huge = std::uint64_t{1} << 62;
    EXPECT_EQ(WeightedCut(huge, 1, 2, 1000), huge / 2);
}

std::string ExportText(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    char line[ExportLineBytes];
    for (std::size_t r = 0; r < bytes.size() / DeckSize; ++r) {
        FormatExportLine(&bytes[r * DeckSize], line);
        text.append(line, ExportLineBytes);
    }
    return text;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// The last min(256, count) rows of `rows` from row `from` on, and the rows themselves.
std::vector<literal::Row> RowsOf(const std::vector<literal::Row>& rows, std::size_t from,
                                 std::size_t count) {
    return {rows.begin() + static_cast<std::ptrdiff_t>(from),
            rows.begin() + static_cast<std::ptrdiff_t>(from + count)};
}

std::vector<std::uint8_t> LastKept(const std::vector<literal::Row>& rows) {
    const std::size_t keep = std::min<std::size_t>(rows.size(), GuessBlockPairs);
    return literal::Flatten(RowsOf(rows, rows.size() - keep, keep));
}

TEST(FileRanges, RangesCountedApartMergeIntoTheWholeFilesCounts) {
    TempDir dir;
    const std::vector<literal::Row> listed = literal::RandomRows(700, 42);
    const std::vector<std::uint8_t> bytes = literal::Flatten(listed);
    const std::string path = dir.File("rows.txt");
    test::WriteFileBytes(path, ExportText(bytes));
    const File file(std::fopen(path.c_str(), "rb"));
    ASSERT_TRUE(file);
    const std::uint64_t size = bytes.size() / DeckSize * ExportLineBytes;
    SeatView rotating;
    rotating.players = 6;
    rotating.seatPosition = 8;  // D-2, rotating
    const ShuffleCounts whole = test::CountedRows(listed, rotating, 5);
    for (const std::uint64_t parts : {1u, 2u, 3u, 5u}) {
        for (const unsigned threads : {1u, 3u}) {
            SCOPED_TRACE(std::to_string(parts) + " parts, threads " + std::to_string(threads));
            const std::vector<std::uint64_t> starts = Starts(fileno(file.get()), size, parts, 400);
            std::optional<ShuffleCounts> merged;
            for (std::uint64_t p = 0; p < parts; ++p) {
                const std::uint64_t end = p + 1 < parts ? starts[p + 1] : size;
                // The last range reads on to the file's end.
                const std::uint64_t length =
                    p + 1 < parts ? end - starts[p] : ExportPieceReader::Unlimited;
                RangeRows range =
                    CountFileRange(file.get(), path, starts[p], length, rotating,
                                   5 + starts[p] / ExportLineBytes, false, true, threads);
                ASSERT_EQ(range.status, ExportReader::Status::End);
                const std::size_t from = starts[p] / ExportLineBytes;
                const std::vector<literal::Row> own =
                    RowsOf(listed, from, (end - starts[p]) / ExportLineBytes);
                EXPECT_EQ(range.lines, own.size());
                EXPECT_FALSE(range.counts.Guessing());
                EXPECT_EQ(range.lastRows, LastKept(own));
                // The pairs within the range, learned as a run of its own would learn them.
                EXPECT_EQ(range.followers, literal::Guessing(own, false).followers);
                if (!merged) {
                    merged = range.counts;
                } else {
                    merged->Merge(range.counts);
                }
            }
            test::ExpectSameCounts(*merged, whole);
        }
    }
}

// What the first `count` rows of `bytes` pass on to the rows after them, as the ranks pass it.
PairsBefore BeforeRows(const std::vector<std::uint8_t>& bytes, std::size_t count,
                       bool fromNewDeck) {
    const PartRows earlier{nullptr, bytes.data(), count, fromNewDeck};
    PairsBefore before;
    before.pairs = earlier.Pairs();
    before.tables = test::PartTables(earlier);
    before.tail = LastPairOrigins(earlier, before.pairs % GuessBlockPairs);
    return before;
}

TEST(FileRanges, TheFirstRangeIsGuessedAsItIsCountedAndTheOthersWhenReadAgain) {
    TempDir dir;
    // 1400 rows: five blocks of pairs and more, cut inside blocks.
    for (const bool fromNewDeck : {false, true}) {
        SCOPED_TRACE(fromNewDeck ? "from a new deck" : "pairs of rows");
        const std::vector<literal::Row> listed = literal::RandomRows(1400, fromNewDeck ? 5 : 6);
        const std::vector<std::uint8_t> bytes = literal::Flatten(listed);
        const std::string path = dir.File("rows.txt");
        test::WriteFileBytes(path, ExportText(bytes));
        const File file(std::fopen(path.c_str(), "rb"));
        ASSERT_TRUE(file);
        const GuessingCounts expected = literal::Guessing(listed, fromNewDeck);
        const std::size_t cut = 700;  // 699 pairs before it without the new deck
        const std::uint64_t at = cut * ExportLineBytes;
        for (const unsigned threads : {1u, 2u, 3u}) {
            RangeRows first =
                CountFirstFileRange(file.get(), path, 0, at, SeatView{}, 0, fromNewDeck, threads);
            ASSERT_EQ(first.status, ExportReader::Status::End);
            ASSERT_TRUE(first.counts.Guessing());
            EXPECT_EQ(*first.counts.Guessing(),
                      literal::Guessing(RowsOf(listed, 0, cut), fromNewDeck));
            EXPECT_EQ(first.lastRows, LastKept(RowsOf(listed, 0, cut)));
            // The second range learns from the first's pairs, as the ranks pass them on.
            const PairsBefore before = BeforeRows(bytes, cut, fromNewDeck);
            const RangeRows second =
                CountFileRange(file.get(), path, at, ExportPieceReader::Unlimited, SeatView{}, cut,
                               fromNewDeck, false, threads);
            ASSERT_EQ(second.status, ExportReader::Status::End);
            std::string error;
            const std::optional<GuessingCounts> rest =
                ScoreFileRange(file.get(), path, at, ExportPieceReader::Unlimited, before,
                               fromNewDeck, fromNewDeck ? nullptr : &bytes[(cut - 1) * DeckSize],
                               threads, {second.counts.Rows(), second.counts.LastRow()}, error);
            ASSERT_TRUE(rest) << error;
            GuessingCounts total = *first.counts.Guessing();
            total.Add(*rest);
            EXPECT_EQ(total, expected) << threads << " threads";
        }
    }
}

// The origins of the pairs of consecutive rows of `rows`, found card by card: the position in
// the earlier row of each card of the later one.
std::vector<std::uint8_t> LiteralOrigins(const std::vector<literal::Row>& rows) {
    std::vector<std::uint8_t> origins;
    for (std::size_t k = 1; k < rows.size(); ++k) {
        for (const std::uint8_t card : rows[k]) {
            const auto at = std::find(rows[k - 1].begin(), rows[k - 1].end(), card);
            origins.push_back(static_cast<std::uint8_t>(at - rows[k - 1].begin()));
        }
    }
    return origins;
}

std::vector<std::uint8_t> Joined(const OriginChunks& chunks) {
    std::vector<std::uint8_t> joined;
    for (const auto& chunk : chunks) joined.insert(joined.end(), chunk.begin(), chunk.end());
    return joined;
}

TEST(FileRanges, OriginsKeptAsARangeIsCountedGuessItAsReadingItAgainWould) {
    TempDir dir;
    for (const bool fromNewDeck : {false, true}) {
        SCOPED_TRACE(fromNewDeck ? "from a new deck" : "pairs of rows");
        const std::vector<literal::Row> listed = literal::RandomRows(1400, fromNewDeck ? 7 : 8);
        const std::vector<std::uint8_t> bytes = literal::Flatten(listed);
        const std::string path = dir.File("rows.txt");
        test::WriteFileBytes(path, ExportText(bytes));
        const File file(std::fopen(path.c_str(), "rb"));
        ASSERT_TRUE(file);
        const std::size_t cut = 650;  // inside the third block of pairs
        const std::uint64_t at = cut * ExportLineBytes;
        const std::vector<literal::Row> own = RowsOf(listed, cut, listed.size() - cut);
        const PairsBefore before = BeforeRows(bytes, cut, fromNewDeck);
        for (const unsigned threads : {1u, 2u, 3u}) {
            SCOPED_TRACE(threads);
            const RangeRows range =
                CountFileRange(file.get(), path, at, ExportPieceReader::Unlimited, SeatView{}, cut,
                               fromNewDeck, true, threads, nullptr, true);
            ASSERT_EQ(range.status, ExportReader::Status::End);
            const std::vector<std::uint8_t> kept = Joined(range.origins);
            if (fromNewDeck) {
                EXPECT_EQ(kept.size(), own.size() * DeckSize);
            } else {
                // The pairs within the range, the pairs across its pieces included.
                EXPECT_EQ(kept, LiteralOrigins(own));
            }
            EXPECT_EQ(range.followers, literal::Guessing(own, fromNewDeck).followers);
            PartScorer scorer(before, fromNewDeck,
                              fromNewDeck ? nullptr : &bytes[(cut - 1) * DeckSize], threads);
            if (!fromNewDeck) {
                const std::vector<std::uint8_t> across = LiteralOrigins(RowsOf(listed, cut - 1, 2));
                scorer.AddOrigins(across.data(), 1);
            }
            for (const auto& chunk : range.origins)
                scorer.AddOrigins(chunk.data(), chunk.size() / DeckSize);
            GuessingCounts total = literal::Guessing(RowsOf(listed, 0, cut), fromNewDeck);
            total.Add(scorer.Finish());
            EXPECT_EQ(total, literal::Guessing(listed, fromNewDeck));
        }
    }
}

// Ranges counted one after another from one pool: the later range's origins are written over
// the chunks the earlier one gave back, and must be its own alone.
TEST(FileRanges, OriginsKeptInChunksUsedBeforeAreTheLaterRangesOwn) {
    TempDir dir;
    const std::vector<literal::Row> listed = literal::RandomRows(40000, 12);
    const std::vector<std::uint8_t> bytes = literal::Flatten(listed);
    const std::string path = dir.File("rows.txt");
    test::WriteFileBytes(path, ExportText(bytes));
    const File file(std::fopen(path.c_str(), "rb"));
    ASSERT_TRUE(file);
    const std::size_t cut = 30000;
    ranges::OriginPool pool;
    for (const unsigned threads : {1u, 3u}) {
        SCOPED_TRACE(threads);
        RangeRows first = CountFileRange(file.get(), path, 0, cut * ExportLineBytes, SeatView{}, 0,
                                         false, true, threads, nullptr, true, &pool);
        ASSERT_EQ(first.status, ExportReader::Status::End);
        EXPECT_EQ(Joined(first.origins), LiteralOrigins(RowsOf(listed, 0, cut)));
        std::set<const std::uint8_t*> used;
        for (const auto& chunk : first.origins) used.insert(chunk.data());
        pool.GiveBack(first.origins);
        EXPECT_TRUE(first.origins.empty());
        const RangeRows later =
            CountFileRange(file.get(), path, cut * ExportLineBytes, ExportPieceReader::Unlimited,
                           SeatView{}, cut, false, true, threads, nullptr, true, &pool);
        ASSERT_EQ(later.status, ExportReader::Status::End);
        EXPECT_EQ(Joined(later.origins), LiteralOrigins(RowsOf(listed, cut, listed.size() - cut)));
        EXPECT_TRUE(std::any_of(later.origins.begin(), later.origins.end(),
                                [&](const auto& chunk) { return used.contains(chunk.data()); }));
    }
}

TEST(FileRanges, ARangeThatChangedBeforeItIsReadAgainIsNotScored) {
    TempDir dir;
    const std::vector<literal::Row> listed = literal::RandomRows(600, 9);
    const std::vector<std::uint8_t> bytes = literal::Flatten(listed);
    const std::string text = ExportText(bytes);
    const std::string path = dir.File("rows.txt");
    test::WriteFileBytes(path, text);
    const File file(std::fopen(path.c_str(), "rb"));
    const std::uint64_t at = 300 * ExportLineBytes;
    const RangeRows range = CountFileRange(file.get(), path, at, ExportPieceReader::Unlimited,
                                           SeatView{}, 300, false, false, 2);
    ASSERT_EQ(range.status, ExportReader::Status::End);
    const RangeExpected expected{range.counts.Rows(), range.counts.LastRow()};
    const PairsBefore before = BeforeRows(bytes, 300, false);
    const std::uint8_t* previous = &bytes[299 * DeckSize];
    // Rows lost at the end, rows added, the last row another, a line made bad.
    const std::string lastSwapped = text.substr(0, text.size() - ExportLineBytes) +
                                    text.substr(text.size() - 2 * ExportLineBytes, ExportLineBytes);
    std::string bad = text;
    bad[at + 10 * ExportLineBytes] = 'x';
    for (const std::string& changed : {text.substr(0, text.size() - ExportLineBytes),
                                       text + text.substr(0, ExportLineBytes), lastSwapped, bad}) {
        test::WriteFileBytes(path, changed);
        for (const unsigned threads : {1u, 2u}) {
            SCOPED_TRACE(std::to_string(changed.size()) + " bytes, threads " +
                         std::to_string(threads));
            std::string error;
            EXPECT_FALSE(ScoreFileRange(file.get(), path, at, ExportPieceReader::Unlimited, before,
                                        false, previous, threads, expected, error));
            EXPECT_EQ(error, path + ": changed while it was read");
        }
    }
    // Unchanged, it scores.
    test::WriteFileBytes(path, text);
    std::string error;
    EXPECT_TRUE(ScoreFileRange(file.get(), path, at, ExportPieceReader::Unlimited, before, false,
                               previous, 2, expected, error))
        << error;
}

// The message and line of the whole file's reader, as brevane-cli reports a bad line.
std::string WholeFileError(const std::string& path) {
    const File file(std::fopen(path.c_str(), "rb"));
    ExportReader reader(file.get(), path);
    std::uint8_t row[DeckSize];
    while (reader.Next(row) == ExportReader::Status::Row) {
    }
    return reader.Error();
}

TEST(FileRanges, TheFirstBadLineOfARangeIsFoundAndNumberedInTheWholeFile) {
    TempDir dir;
    const std::vector<std::uint8_t> bytes = literal::Flatten(literal::RandomRows(300, 7));
    const std::string rows = ExportText(bytes);
    // Line 251 loses a card; line 280 is empty.
    const std::size_t bad = 250 * ExportLineBytes;
    const std::size_t empty = 278 * ExportLineBytes;
    const std::string text =
        rows.substr(0, bad) + rows.substr(bad + 3, empty - bad - 3) + "\n" + rows.substr(empty);
    const std::string path = dir.File("bad.txt");
    test::WriteFileBytes(path, text);
    const File file(std::fopen(path.c_str(), "rb"));
    // The range from line 201 on: its 51st line is bad.
    const std::uint64_t start = 200 * ExportLineBytes;
    const RangeRows range = CountFileRange(file.get(), path, start, ExportPieceReader::Unlimited,
                                           SeatView{}, 200, false, true, 2);
    EXPECT_EQ(range.status, ExportReader::Status::BadLine);
    EXPECT_EQ(range.lines, 51u);
    EXPECT_EQ(range.counts.Rows(), 50u);
    EXPECT_EQ(range.lastRows.size(), 50 * DeckSize);
    const std::string expected = WholeFileError(path);
    EXPECT_NE(expected.find(":251: "), std::string::npos) << expected;
    EXPECT_EQ(MessageAtLine(range.error, path, range.lines, 200 + range.lines), expected);
    // A range that ends before the bad lines holds none.
    const RangeRows before =
        CountFileRange(file.get(), path, 0, bad, SeatView{}, 0, false, false, 2);
    EXPECT_EQ(before.status, ExportReader::Status::End);
    EXPECT_EQ(before.lines, 250u);
}

TEST(FileRanges, LinesUnlikeTheFirstAreCountedInOnePass) {
    TempDir dir;
    const std::vector<literal::Row> listed = literal::RandomRows(90, 3);
    const std::string rows = ExportText(literal::Flatten(listed));
    // Line 40 ends in LF alone, so the rows after it lie one byte off the first line's length.
    const std::size_t cr = 40 * ExportLineBytes - 2;
    const std::string text = rows.substr(0, cr) + rows.substr(cr + 1);
    const std::string path = dir.File("mixed.txt");
    test::WriteFileBytes(path, text);
    const File file(std::fopen(path.c_str(), "rb"));
    // Too few rows foretold as well: the rows are still all counted.
    const RangeRows range = CountFileRange(file.get(), path, 0, ExportPieceReader::Unlimited,
                                           SeatView{}, 0, false, true, 3);
    EXPECT_EQ(range.status, ExportReader::Status::End);
    EXPECT_EQ(range.lines, 90u);
    EXPECT_EQ(range.lastRows, LastKept(listed));
    EXPECT_EQ(range.followers, literal::Guessing(listed, false).followers);
    test::ExpectSameCounts(range.counts, test::CountedRows(listed, SeatView{}));
    const RangeRows kept = CountFileRange(file.get(), path, 0, ExportPieceReader::Unlimited,
                                          SeatView{}, 0, false, false, 3, nullptr, true);
    EXPECT_EQ(Joined(kept.origins), LiteralOrigins(listed));
    // The one-pass reader stops at the range's end too: line 71, beyond it, is bad.
    const std::size_t end = 70 * ExportLineBytes - 1;
    const std::string badPath = dir.File("mixed-bad.txt");
    test::WriteFileBytes(badPath, text.substr(0, end) + "2c 2d\r\n" + text.substr(end));
    const File badFile(std::fopen(badPath.c_str(), "rb"));
    const RangeRows first70 =
        CountFileRange(badFile.get(), badPath, 0, end, SeatView{}, 0, false, false, 3);
    EXPECT_EQ(first70.status, ExportReader::Status::End);
    EXPECT_EQ(first70.lines, 70u);
    const std::vector<literal::Row> head(listed.begin(), listed.begin() + 70);
    test::ExpectSameCounts(first70.counts, test::CountedRows(head, SeatView{}));
    const RangeRows rest = CountFileRange(badFile.get(), badPath, end, ExportPieceReader::Unlimited,
                                          SeatView{}, 70, false, false, 3);
    EXPECT_EQ(rest.status, ExportReader::Status::BadLine);
    EXPECT_EQ(rest.lines, 1u);
}

TEST(FileRanges, AnUnreadableRangeGivesTheSystemsError) {
    TempDir dir;
    const File folder(std::fopen(dir.Path().c_str(), "rb"));
    ASSERT_TRUE(folder);
    const RangeRows range =
        CountFileRange(folder.get(), dir.Path(), 0, 4096, SeatView{}, 0, false, false, 2);
    EXPECT_EQ(range.status, ExportReader::Status::ReadFailed);
    EXPECT_EQ(range.error, dir.Path() + ": Is a directory");
    EXPECT_EQ(range.counts.Rows(), 0u);
}

TEST(FileRanges, TheWholeFilesDigestIsSha256OfItsBytes) {
    TempDir dir;
    const std::string path = dir.File("abc.txt");
    test::WriteFileBytes(path, "abc");
    const FdCloser file{open(path.c_str(), O_RDONLY)};
    int error = 0;
    // FIPS 180-2, appendix B.1.
    EXPECT_EQ(FileSha256Hex(file.fd, nullptr, error),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    const std::atomic<bool> stop{true};
    EXPECT_EQ(FileSha256Hex(file.fd, &stop, error), std::nullopt);
    EXPECT_EQ(error, 0);
}

}  // namespace
}  // namespace brevane
