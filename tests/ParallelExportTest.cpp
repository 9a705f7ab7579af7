#include "work/ParallelExport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <stdexcept>
#include <string>

#include "AnalysisReference.h"
#include "analysis/Export.h"
#include "analysis/ReportCounters.h"
#include "stats/ShuffleCounts.h"
#include "support/SameCounts.h"

namespace brevane {
namespace {

// Rows over more than two pieces, so that pieces end inside the file and counters merge.
constexpr std::size_t Rows = 2 * ExportPieceBytes / ExportLineBytes + 777;

const ShuffleList& List() {
    static const ShuffleList list = reference::ShuffledList(Rows, 5);
    return list;
}

std::string ExportText(const ShuffleList& list, bool crlf) {
    std::string text;
    char line[ExportLineBytes];
    for (std::size_t r = 0; r < list.Count(); ++r) {
        FormatExportLine(list.Row(r), line);
        text.append(line, ExportLineBytes);
        if (!crlf) text.erase(text.size() - 2, 1);  // CR LF -> LF
    }
    return text;
}

// A temporary file holding `text`, positioned at its start.
struct TextFile {
    explicit TextFile(const std::string& text) : file(std::tmpfile()) {
        std::fwrite(text.data(), 1, text.size(), file);
        std::rewind(file);
    }
    ~TextFile() { std::fclose(file); }
    std::FILE* file;
};

SeatView Rotating() {
    SeatView view;
    view.players = 7;
    view.seatPosition = 7 + 2;
    return view;
}

ShuffleCounts CountedOnce(const ShuffleList& list, const SeatView& view) {
    ShuffleCounts counts(view);
    for (std::size_t r = 0; r < list.Count(); ++r) counts.AddRow(list.Row(r));
    return counts;
}

TEST(ParallelExport, EveryThreadCountAndLineEndGivesTheCountsOfOnePass) {
    const SeatView view = Rotating();
    const ShuffleCounts once = CountedOnce(List(), view);
    for (const bool crlf : {false, true}) {
        std::string text = ExportText(List(), crlf);
        for (const bool lastLineEnded : {true, false}) {
            if (!lastLineEnded) text.resize(text.size() - (crlf ? 2 : 1));
            for (const unsigned threads : {1u, 2u, 3u}) {
                const TextFile input(text);
                WorkProgress progress;
                const auto counts = CountExportFile<ShuffleCounts>(
                    input.file, [&](std::uint64_t first) { return ShuffleCounts(view, first); },
                    threads, &progress);
                ASSERT_TRUE(counts) << crlf << lastLineEnded << threads;
                test::ExpectSameCounts(*counts, once);
                EXPECT_EQ(progress.Done(), Rows);
                EXPECT_EQ(progress.InputBytesDone(), text.size());
            }
        }
    }
}

TEST(ParallelExport, HandCategoriesOfARotatingSeatMatchOnePass) {
    const SeatView view = Rotating();
    HandCategoryCounter once(view);
    for (std::size_t r = 0; r < List().Count(); ++r) once.Add(List().Row(r));
    const TextFile input(ExportText(List(), true));
    const auto counted = CountExportFile<HandCategoryCounter>(
        input.file,
        [&](std::uint64_t first) {
            return HandCategoryCounter(view, static_cast<std::int64_t>(first));
        },
        2);
    ASSERT_TRUE(counted);
    EXPECT_EQ(counted->Counts(), once.Counts());
}

// Pieces are numbered from their offsets on the length of the first line. Lines that do not all
// end alike make a later piece's number wrong, and the file is left to the one-pass reader; an
// odd line in the last piece numbers nothing wrongly, and the counts are those of one pass.
TEST(ParallelExport, LinesThatEndDifferentlyNeverGiveOtherCounts) {
    const std::string lf = ExportText(List(), false), crlf = ExportText(List(), true);
    const std::size_t lfLine = ExportLineBytes - 1;
    // Line `line` (1-based) of the LF file ends in CR LF.
    const auto withCrlfAt = [&](std::size_t line) {
        const std::size_t end = line * lfLine - 1;
        return lf.substr(0, end) + "\r" + lf.substr(end);
    };
    const auto make = [](std::uint64_t first) { return ShuffleCounts(Rotating(), first); };
    const std::string misnumbered[] = {
        withCrlfAt(100),
        // the first line ends in LF, every other in CR LF
        crlf.substr(0, lfLine - 1) + crlf.substr(lfLine),
    };
    for (const std::string& text : misnumbered) {
        for (const unsigned threads : {1u, 2u}) {
            const TextFile input(text);
            EXPECT_FALSE(CountExportFile<ShuffleCounts>(input.file, make, threads)) << threads;
        }
    }
    const TextFile lastPiece(withCrlfAt(Rows - 100));
    const auto counts = CountExportFile<ShuffleCounts>(lastPiece.file, make, 2);
    ASSERT_TRUE(counts);
    test::ExpectSameCounts(*counts, CountedOnce(List(), Rotating()));

    // Read from a later line on, a file is numbered from where it is read.
    const std::string header = "not a row but skipped\n";
    const TextFile input(header + crlf);
    ASSERT_EQ(std::fseek(input.file, static_cast<long>(header.size()), SEEK_SET), 0);
    const auto fromThere = CountExportFile<ShuffleCounts>(input.file, make, 2);
    ASSERT_TRUE(fromThere);
    test::ExpectSameCounts(*fromThere, CountedOnce(List(), Rotating()));
}

TEST(ParallelExport, AnEmptyFileGivesAnEmptyCounter) {
    const TextFile input("");
    const auto counts = CountExportFile<ShuffleCounts>(
        input.file, [](std::uint64_t first) { return ShuffleCounts(SeatView{}, first); }, 2);
    ASSERT_TRUE(counts);
    EXPECT_EQ(counts->Rows(), 0u);
}

// Anything but well-formed rows is left to the one-pass reader, which reports it.
TEST(ParallelExport, GivesUpOnAnyFault) {
    const std::string good = ExportText(List(), false);
    const std::size_t inSecondPiece = (Rows - 100) * (ExportLineBytes - 1);
    const std::string before = good.substr(0, inSecondPiece), after = good.substr(inSecondPiece);
    const std::string blank = before + "\n" + after;
    std::string badCard = good;
    badCard[3] = 'X';
    const std::string lastBad = good + "2c 3c\n";
    const std::string tooLong = before + std::string(ExportPieceBytes + 10, 'A') + after;
    const auto make = [](std::uint64_t first) { return ShuffleCounts(SeatView{}, first); };
    for (const std::string* text :
         std::initializer_list<const std::string*>{&blank, &badCard, &lastBad, &tooLong}) {
        const TextFile input(*text);
        EXPECT_FALSE(CountExportFile<ShuffleCounts>(input.file, make, 2));
    }
    const TextFile input(good);
    int calls = 0;
    std::mutex callsMutex;
    EXPECT_FALSE(CountExportFile<ShuffleCounts>(
        input.file,
        [&](std::uint64_t first) {
            const std::lock_guard lock(callsMutex);
            if (++calls == 2) throw std::runtime_error("no counter");
            return ShuffleCounts(SeatView{}, first);
        },
        2));
}

}  // namespace
}  // namespace brevane
