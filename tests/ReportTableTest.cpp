#include "analysis/ReportTable.h"

#include <gtest/gtest.h>

#include <regex>
#include <stdexcept>
#include <string>
#include <vector>

#include "AnalysisReference.h"
#include "analysis/ReportLines.h"

namespace brevane {
namespace {

// Every count line of a literal text report as the CSV row it stands for: the section is the
// title of the section it lies in (its first word in lower case, "category" for the hand
// categories), the label loses its " = " or its colon and padding, the percent takes ".".
std::string ExpectedCsv(const reference::Lines& lines) {
    static const std::regex countLine(R"(^(.+?)(?: = |: *)(\d+)  \((\d+)[.,](\d{4})%\)$)");
    static const std::regex titleLine(R"(^(\w+) = Count  \(Percent\) Avg = .*$)");
    std::string section = "category";
    std::string csv = "section,label,count,percent\n";
    for (const std::string& line : lines) {
        std::smatch match;
        if (std::regex_match(line, match, titleLine)) {
            section = match[1].str();
            section[0] = static_cast<char>(section[0] - 'A' + 'a');
        } else if (line.rfind("Shuffles: ", 0) != 0 && std::regex_match(line, match, countLine)) {
            csv += section + "," + match[1].str() + "," + match[2].str() + "," + match[3].str() +
                   "." + match[4].str() + "\n";
        }
    }
    return csv;
}

template <class Counter>
Counter Counted(Counter counter, const ShuffleList& list) {
    for (std::size_t r = 0; r < list.Count(); ++r) counter.Add(list.Row(r));
    return counter;
}

TEST(CsvField, QuotesOnlyWhatNeedsIt) {
    EXPECT_EQ(CsvField("Three of a Kind"), "Three of a Kind");
    EXPECT_EQ(CsvField(""), "");
    EXPECT_EQ(CsvField("a,b"), "\"a,b\"");
    EXPECT_EQ(CsvField("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(CsvField("\""), "\"\"\"\"");
    EXPECT_EQ(CsvField("two\nlines"), "\"two\nlines\"");
    EXPECT_EQ(CsvField("cr\r"), "\"cr\r\"");
}

// The table's text equals the literal report, and its CSV holds the literal report's count
// lines, for each kind of report, with the locale's separator in the text only.
TEST(ReportTable, TextAndCsvAgreeWithTheLiteralReports) {
    const ShuffleList list = reference::ShuffledList(301);
    const struct {
        ReportTable table;
        reference::Lines literal;
    } cases[] = {
        {BuildReportTable(Counted(PositionCounter::ForSuit(2), list), "Heart"),
         reference::PositionReport(list, 's', 2, "Heart", ",")},
        {BuildReportTable(Counted(PositionCounter::ForRank(8), list), "T"),
         reference::PositionReport(list, 'r', 8, "T", ",")},
        {BuildReportTable(Counted(PositionCounter::ForCard(43), list), "Qh"),
         reference::PositionReport(list, 'c', 43, "Qh", ",")},
        {BuildReportTable(Counted(DeckPosCounter(7), list), "7"),
         reference::DeckPosReport(list, 7, "7", ",")},
        {BuildReportTable(Counted(HandCategoryCounter(SeatView{6, 8, Stage::Turn}), list)),
         reference::HandCategoryReport(list, 6, 8, 2, "D-2  (rotate)", "Turn", ",")},
        {BuildReportTable(Counted(HandCategoryCounter(SeatView{2, 1, Stage::Hole}), list)),
         reference::HandCategoryReport(list, 2, 1, 0, "D-1", "Hole", ",")},
    };
    for (const auto& [table, literal] : cases) {
        SCOPED_TRACE(literal[0]);
        EXPECT_EQ(table.shuffles, 301u);
        EXPECT_EQ(BuildReport(table, ","), literal);
        EXPECT_EQ(ReportCsvText(table), ExpectedCsv(literal));
    }
}

TEST(ReportTable, SectionsAndLabelsOfTheDeckPositionReport) {
    const ShuffleList list = reference::ShuffledList(40);
    const ReportTable table = BuildReportTable(Counted(DeckPosCounter(52), list), "52");
    EXPECT_EQ(table.kind, ReportKind::DeckPosition);
    EXPECT_EQ(ReportKindName(table.kind), "position");
    ASSERT_EQ(table.rows.size(), 4u + 13u + 52u);
    EXPECT_EQ(table.rows[0].section, "suit");
    EXPECT_EQ(table.rows[3].label, "s");
    EXPECT_EQ(table.rows[4].section, "rank");
    EXPECT_EQ(table.rows[16].label, "A");
    EXPECT_EQ(table.rows[17].section, "card");
    EXPECT_EQ(table.rows[17].label, "2c");
    EXPECT_EQ(table.rows[68].label, "As");
    // Each section counts every row once.
    for (const auto& [first, size] : {std::pair{0, 4}, {4, 13}, {17, 52}}) {
        std::uint64_t sum = 0;
        for (int i = first; i < first + size; ++i) sum += table.rows[std::size_t(i)].count;
        EXPECT_EQ(sum, 40u);
    }
}

// Known answers: one row gives 100.0000 exactly once in a card report, and 1 of 128 rows is
// 0.7813 (an exact half, rounded up) with "." in the CSV.
TEST(ReportTable, CsvPercentsOfKnownAnswers) {
    ShuffleList one;
    one.Append(reference::RowWith({{5, "As"}}));
    const std::string csv =
        ReportCsvText(BuildReportTable(Counted(PositionCounter::ForCard(52), one), "As"));
    EXPECT_NE(csv.find("\nposition,5,1,100.0000\n"), std::string::npos) << csv;
    EXPECT_NE(csv.find("\nposition,4,0,0.0000\n"), std::string::npos);
    EXPECT_EQ(csv.find("100.0000"), csv.rfind("100.0000"));

    ShuffleList list;
    list.Append(reference::RowWith({{1, "2c"}}));
    for (int r = 1; r < 128; ++r) list.Append(reference::RowWith({{2, "2c"}}));
    const std::string rows128 =
        ReportCsvText(BuildReportTable(Counted(PositionCounter::ForCard(1), list), "2c"));
    EXPECT_NE(rows128.find("\nposition,1,1,0.7813\n"), std::string::npos) << rows128;
    EXPECT_NE(rows128.find("\nposition,2,127,99.2188\n"), std::string::npos);
    EXPECT_EQ(rows128.find('\r'), std::string::npos);
}

TEST(ReportTable, HandCategoryLabelsAreBare) {
    const ShuffleList list = reference::ShuffledList(20);
    const ReportTable river = BuildReportTable(Counted(HandCategoryCounter(SeatView{}), list));
    ASSERT_EQ(river.rows.size(), 10u);
    EXPECT_EQ(river.rows[3].label, "Three of a Kind");
    EXPECT_EQ(river.rows[9].label, "Royal Flush");
    EXPECT_EQ(river.rows[0].section, "category");
    EXPECT_EQ(ReportKindName(river.kind), "categories");
}

TEST(ReportTable, NoRowsIsRefused) {
    EXPECT_THROW(BuildReportTable(PositionCounter::ForSuit(0), "Club"), std::invalid_argument);
    EXPECT_THROW(BuildReportTable(DeckPosCounter(1), "1"), std::invalid_argument);
    EXPECT_THROW(BuildReportTable(HandCategoryCounter(SeatView{})), std::invalid_argument);
}

}  // namespace
}  // namespace brevane
