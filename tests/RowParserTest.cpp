#include "analysis/RowParser.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "AnalysisReference.h"
#include "analysis/Export.h"
#include "support/CliRunner.h"

namespace brevane {
namespace {

// The export line of a row, without its line end.
std::string LineOf(const std::uint8_t* row) {
    char text[ExportLineBytes];
    FormatExportLine(row, text);
    return std::string(text, ExportLineBytes - 2);
}

std::string OrderedLine() {
    std::uint8_t row[52];
    for (int k = 0; k < 52; ++k) row[k] = static_cast<std::uint8_t>(k + 1);
    return LineOf(row);
}

std::string Parse(std::string_view line) {
    std::uint8_t row[52];
    return ParseExportLine(line, row);
}

TEST(ParseExportLine, ReadsAnExportLine) {
    const ShuffleList list = reference::ShuffledList(50);
    for (std::size_t r = 0; r < list.Count(); ++r) {
        std::uint8_t row[52];
        ASSERT_EQ(ParseExportLine(LineOf(list.Row(r)), row), "");
        ASSERT_EQ(std::memcmp(row, list.Row(r), 52), 0);
    }
}

TEST(ParseExportLine, CountsTheCards) {
    const std::string line = OrderedLine();
    EXPECT_EQ(Parse(line.substr(0, 152)), "expected 52 cards, found 51");
    EXPECT_EQ(Parse(line + " As"), "expected 52 cards, found 53");
    EXPECT_EQ(Parse("Ah Kd"), "expected 52 cards, found 2");
    EXPECT_EQ(Parse(""), "empty line (expected 52 cards)");
    EXPECT_EQ(Parse("   "), "expected 52 cards, found 0");
}

TEST(ParseExportLine, QuotesAnUnknownName) {
    std::string line = OrderedLine();
    line.replace(3, 2, "Zz");
    EXPECT_EQ(Parse(line), "unknown card name \"Zz\"");
    EXPECT_EQ(Parse(std::string("ah ") + OrderedLine().substr(3)), "unknown card name \"ah\"");
    EXPECT_EQ(Parse("10h 2c"), "unknown card name \"10h\"");
    EXPECT_EQ(Parse(std::string("A\0h", 3)), "unknown card name \"A\\x00h\"");
    EXPECT_EQ(Parse("Ah\r2c"), "unknown card name \"Ah\\x0d2c\"");
    EXPECT_EQ(Parse("\"x\\"), "unknown card name \"\\\"x\\\\\"");
    EXPECT_EQ(Parse(std::string(30, 'Q')), "unknown card name \"QQQQQQQQQQQQQQQQQQQQ...\"");
}

TEST(ParseExportLine, FindsACardTwice) {
    std::string line = OrderedLine();
    line.replace(line.size() - 2, 2, "2c");  // As replaced by a second 2c
    EXPECT_EQ(Parse(line), "card 2c appears twice");
}

TEST(ParseExportLine, WantsSingleSpaces) {
    const std::string line = OrderedLine();
    const std::string spacing =
        "cards must be separated by single spaces, with none at the start or end of the line";
    EXPECT_EQ(Parse(std::string(" ") + line), spacing);
    EXPECT_EQ(Parse(line + " "), spacing);
    const std::string doubled = line.substr(0, 2) + "  " + line.substr(3);
    EXPECT_EQ(Parse(doubled), spacing);
    std::string tabbed = line;
    tabbed[2] = '\t';
    EXPECT_EQ(Parse(tabbed), spacing);
}

// Reads all of `text` through an ExportReader; the rows read, and the status it stopped on.
struct ReadResult {
    std::vector<std::string> lines;
    ExportReader::Status status;
    std::string error;
};

ReadResult ReadAll(const std::string& text, std::size_t bufferBytes = ExportReader::BufferBytes) {
    ReadResult result;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::tmpfile(), &std::fclose);
    std::fwrite(text.data(), 1, text.size(), file.get());
    std::rewind(file.get());
    ExportReader reader(file.get(), "rows.txt", bufferBytes);
    std::uint8_t row[52];
    while ((result.status = reader.Next(row)) == ExportReader::Status::Row) {
        result.lines.push_back(LineOf(row));
    }
    result.error = reader.Error();
    EXPECT_EQ(reader.Next(row), result.status);  // it stays where it stopped
    return result;
}

TEST(ExportReader, ReadsCrLfLfAndAMissingLastLineEnd) {
    const ShuffleList list = reference::ShuffledList(4);
    std::vector<std::string> lines;
    for (std::size_t r = 0; r < 4; ++r) lines.push_back(LineOf(list.Row(r)));
    const std::string text = lines[0] + "\r\n" + lines[1] + "\n" + lines[2] + "\r\n" + lines[3];
    const ReadResult result = ReadAll(text);
    EXPECT_EQ(result.status, ExportReader::Status::End);
    EXPECT_EQ(result.lines, lines);
    EXPECT_EQ(ReadAll(lines[0] + "\r").lines, std::vector<std::string>{lines[0]});
    EXPECT_EQ(ReadAll("").status, ExportReader::Status::End);
    EXPECT_TRUE(ReadAll("").lines.empty());
}

TEST(ExportReader, ReadsManyRowsAcrossItsBuffer) {
    const std::size_t rows = 3 * ExportReader::BufferBytes / ExportLineBytes + 17;
    const ShuffleList list = reference::ShuffledList(rows, 2);
    std::string text;
    char line[ExportLineBytes];
    for (std::size_t r = 0; r < rows; ++r) {
        FormatExportLine(list.Row(r), line);
        // Every third line without its CR, so that line starts shift against the buffer.
        text.append(line, r % 3 == 0 ? ExportLineBytes - 2 : ExportLineBytes);
        if (r % 3 == 0) text += '\n';
    }
    const ReadResult result = ReadAll(text);
    ASSERT_EQ(result.status, ExportReader::Status::End);
    ASSERT_EQ(result.lines.size(), rows);
    for (std::size_t r = 0; r < rows; ++r) ASSERT_EQ(result.lines[r], LineOf(list.Row(r))) << r;
}

TEST(ExportReader, ASmallBufferRefillsBetweenLines) {
    const ShuffleList list = reference::ShuffledList(40, 6);
    std::string text;
    std::vector<std::string> lines;
    for (std::size_t r = 0; r < list.Count(); ++r) {
        lines.push_back(LineOf(list.Row(r)));
        text += lines.back() + (r % 2 ? "\r\n" : "\n");
    }
    for (std::size_t bufferBytes : {157, 158, 200, 311, 1000}) {
        const ReadResult result = ReadAll(text, bufferBytes);
        EXPECT_EQ(result.status, ExportReader::Status::End) << bufferBytes;
        EXPECT_EQ(result.lines, lines) << bufferBytes;
    }
    // A CR LF line of 157 bytes does not fit a buffer of 156.
    EXPECT_EQ(ReadAll(lines[0] + "\r\n", 156).error,
              "rows.txt:1: line too long (expected 52 cards)");
}

// The observer sees every byte read, in order, exactly once, whatever the buffer size.
TEST(ExportReader, ObserverSeesTheWholeInputInOrder) {
    const ShuffleList list = reference::ShuffledList(30, 4);
    std::string text;
    for (std::size_t r = 0; r < list.Count(); ++r) text += LineOf(list.Row(r)) + "\r\n";
    text += LineOf(list.Row(0));  // no line end
    for (std::size_t bufferBytes :
         {std::size_t{160}, std::size_t{1000}, ExportReader::BufferBytes}) {
        std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::tmpfile(), &std::fclose);
        std::fwrite(text.data(), 1, text.size(), file.get());
        std::rewind(file.get());
        ExportReader reader(file.get(), "rows.txt", bufferBytes);
        std::string seen;
        int blocks = 0;
        reader.ObserveInput([&](const char* bytes, std::size_t count) {
            seen.append(bytes, count);
            ++blocks;
        });
        std::uint8_t row[52];
        std::size_t rows = 0;
        while (reader.Next(row) == ExportReader::Status::Row) ++rows;
        EXPECT_EQ(rows, list.Count() + 1) << bufferBytes;
        EXPECT_EQ(seen, text) << bufferBytes;
        EXPECT_GE(blocks, static_cast<int>(text.size() / bufferBytes)) << bufferBytes;
    }
}

TEST(ExportReader, NamesTheFileAndLineOfTheFirstBadLine) {
    const std::string good = OrderedLine() + "\r\n";
    ReadResult result = ReadAll(good + good + "Ah Kd\r\n" + "junk\r\n");
    EXPECT_EQ(result.status, ExportReader::Status::BadLine);
    EXPECT_EQ(result.lines.size(), 2u);
    EXPECT_EQ(result.error, "rows.txt:3: expected 52 cards, found 2");

    result = ReadAll(good + "\r\n" + good);
    EXPECT_EQ(result.error, "rows.txt:2: empty line (expected 52 cards)");

    std::string bad = good;
    bad.replace(6, 2, "Xx");
    result = ReadAll(good + bad);
    EXPECT_EQ(result.error, "rows.txt:2: unknown card name \"Xx\"");

    // A bad last line without a line end.
    result = ReadAll(good + good + good.substr(0, 11));
    EXPECT_EQ(result.error, "rows.txt:3: expected 52 cards, found 4");
}

// The rows of `text` read in place, as ReadAll reads them from a file.
ReadResult ReadInPlace(const std::string& text) {
    ReadResult result;
    ExportReader reader(std::string_view(text), "rows.txt");
    std::uint8_t row[52];
    while ((result.status = reader.Next(row)) == ExportReader::Status::Row) {
        result.lines.push_back(LineOf(row));
    }
    result.error = reader.Error();
    EXPECT_EQ(reader.Next(row), result.status);
    return result;
}

TEST(ExportReader, InPlaceReadsAsAFileReads) {
    const ShuffleList list = reference::ShuffledList(30, 9);
    std::string text;
    for (std::size_t r = 0; r < list.Count(); ++r) {
        text += LineOf(list.Row(r)) + (r % 2 ? "\r\n" : "\n");
    }
    const std::string good = OrderedLine() + "\r\n";
    std::string badName = good;
    badName.replace(6, 2, "Xx");
    for (const std::string& input :
         {text, text.substr(0, text.size() - 1), text + "\r", std::string(), text + "\n",
          good + good + "Ah Kd\r\n" + text, text + badName, text + good.substr(0, 11)}) {
        const ReadResult fromFile = ReadAll(input);
        const ReadResult inPlace = ReadInPlace(input);
        EXPECT_EQ(inPlace.status, fromFile.status);
        EXPECT_EQ(inPlace.lines, fromFile.lines);
        EXPECT_EQ(inPlace.error, fromFile.error);
    }
}

TEST(ExportReader, RefusesALineLongerThanItsBuffer) {
    const std::string good = OrderedLine() + "\n";
    const ReadResult result = ReadAll(good + std::string(ExportReader::BufferBytes + 10, 'A'));
    EXPECT_EQ(result.status, ExportReader::Status::BadLine);
    EXPECT_EQ(result.lines.size(), 1u);
    EXPECT_EQ(result.error, "rows.txt:2: line too long (expected 52 cards)");
}

TEST(ExportReader, ReportsAReadFailure) {
    test::TempDir dir;
    std::FILE* folder = std::fopen(dir.Path().c_str(), "rb");
    ASSERT_NE(folder, nullptr);
    ExportReader reader(folder, "folder");
    std::uint8_t row[52];
    EXPECT_EQ(reader.Next(row), ExportReader::Status::ReadFailed);
    EXPECT_EQ(reader.Error(), "folder: Is a directory");
    std::fclose(folder);
}

}  // namespace
}  // namespace brevane
