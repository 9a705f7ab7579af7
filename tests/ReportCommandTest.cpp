#include <clocale>
#include <cstdlib>
#include <string>

#include "AnalysisCliHelpers.h"
#include "analysis/Reports.h"
#include "support/GermanLocale.h"

namespace brevane {
namespace {

using reference::PositionReport;
using test::AnalysisCliTest;
using test::CliResult;
using test::RunCli;

class ReportCommandTest : public AnalysisCliTest<300> {
  protected:
    CliResult Report(std::vector<std::string> args) { return RunOnFile("report", std::move(args)); }
};

TEST_F(ReportCommandTest, PrintsTheLinesOfEachReport) {
    const std::pair<std::vector<std::string>, reference::Lines> cases[] = {
        {{"suit", "Club"}, PositionReport(list_, 's', 0, "Club", ".")},
        {{"suit", "Spade"}, PositionReport(list_, 's', 3, "Spade", ".")},
        {{"rank", "T"}, PositionReport(list_, 'r', 8, "T", ".")},
        {{"rank", "2"}, PositionReport(list_, 'r', 0, "2", ".")},
        {{"card", "Qh"}, PositionReport(list_, 'c', 43, "Qh", ".")},
        {{"card", "As"}, PositionReport(list_, 'c', 52, "As", ".")},
        {{"position", "7"}, reference::DeckPosReport(list_, 7, "7", ".")},
        {{"position", "52"}, reference::DeckPosReport(list_, 52, "52", ".")},
    };
    for (const auto& [args, lines] : cases) {
        const CliResult r = Report(args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.out, test::Joined(lines)) << args[0] << " " << args[1];
    }
}

TEST_F(ReportCommandTest, CategoriesUseTheSeatAndStageTexts) {
    CliResult r =
        Report({"categories", "--players", "6", "--seat", "D-3", "--rotate", "--stage", "turn"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, test::Joined(reference::HandCategoryReport(list_, 6, 9, 2, "D-3  (rotate)",
                                                                "Turn", ".")));
    r = Report({"categories"});
    EXPECT_EQ(r.out,
              test::Joined(reference::HandCategoryReport(list_, 10, 0, 3, "D", "River", ".")));
    r = Report({"categories", "--stage=hole", "--players=2", "--seat=D-1"});
    EXPECT_EQ(r.out,
              test::Joined(reference::HandCategoryReport(list_, 2, 1, 0, "D-1", "Hole", ".")));
    r = Report({"categories", "--rotate", "--stage", "flop"});
    EXPECT_EQ(r.out, test::Joined(reference::HandCategoryReport(list_, 10, 10, 1, "D  (rotate)",
                                                                "Flop", ".")));
}

TEST_F(ReportCommandTest, StandardInputAndGeneratedRowsGiveTheSameReport) {
    const std::string want = test::Joined(PositionReport(list_, 'r', 12, "A", "."));
    CliResult r = RunCli({"report", "rank", "A", "--input", "-"}, test::ExportText(list_));
    EXPECT_EQ(r.out, want);
    // The list was made with the counting key: --shuffles makes the same rows.
    r = RunCli({"report", "rank", "A", "--shuffles", "300", "--key", test::CountingKeyHex});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, want);
}

TEST_F(ReportCommandTest, ModelRowsReportAsTheRowsThatShuffleWrites) {
    for (const std::vector<std::string>& model :
         {std::vector<std::string>{"--model", "riffle:3"},
          std::vector<std::string>{"--model", "naive-swap", "--from-new-deck"},
          std::vector<std::string>{"--from-new-deck"}}) {
        std::vector<std::string> make{"shuffle", "300", "--key", test::CountingKeyHex};
        make.insert(make.end(), model.begin(), model.end());
        const CliResult rows = RunCli(make);
        ASSERT_EQ(rows.status, 0) << rows.err;
        for (const std::vector<std::string>& report :
             {std::vector<std::string>{"card", "As"}, std::vector<std::string>{"categories"}}) {
            std::vector<std::string> generated{"report"};
            generated.insert(generated.end(), report.begin(), report.end());
            const CliResult fromFile = [&] {
                std::vector<std::string> args = generated;
                args.insert(args.end(), {"--input", "-"});
                return RunCli(args, rows.out);
            }();
            generated.insert(generated.end(), {"--shuffles", "300", "--key", test::CountingKeyHex});
            generated.insert(generated.end(), model.begin(), model.end());
            const CliResult made = RunCli(generated);
            EXPECT_EQ(made.status, 0) << made.err;
            EXPECT_EQ(made.out, fromFile.out) << model[0] << " " << report[0];
        }
    }
}

TEST_F(ReportCommandTest, ModelOptionsNeedGeneratedRowsAndAKnownModel) {
    test::ExpectUsageError({"report", "categories", "--input", path_, "--model", "riffle"},
                           "--model 'riffle'");
    for (const char* model : {"riffle:0", "overhand:1001", "naive-swap:3", "shuffle"}) {
        test::ExpectUsageError({"report", "categories", "--shuffles", "5", "--model", model},
                               std::string("'") + model + "'");
    }
}

TEST_F(ReportCommandTest, LfLineEndsAreAccepted) {
    std::string text = test::ExportText(list_);
    std::erase(text, '\r');
    const CliResult r = RunCli({"report", "suit", "Heart", "--input", "-"}, text);
    EXPECT_EQ(r.out, test::Joined(PositionReport(list_, 's', 2, "Heart", ".")));
}

TEST_F(ReportCommandTest, BadLinesPrintNothingButWhereAndWhat) {
    const std::string good = test::ExportText(list_);
    const std::string first = good.substr(0, ExportLineBytes);
    const std::string path = dir_.File("bad.txt");

    test::WriteFileBytes(path, good + first.substr(0, 152) + "\r\n");
    test::ExpectBadInput({"report", "suit", "Club", "--input", path}, "",
                         path + ":301: expected 52 cards, found 51");

    std::string unknown = first;
    unknown.replace(0, 2, "1c");
    test::WriteFileBytes(path, first + unknown);
    test::ExpectBadInput({"report", "categories", "--input", path}, "",
                         path + ":2: unknown card name \"1c\"");

    std::string twice = first;
    twice.replace(3, 2, twice.substr(0, 2));
    test::ExpectBadInput({"report", "position", "1", "--input", "-"}, twice + good,
                         "-:1: card " + first.substr(0, 2) + " appears twice");

    test::ExpectBadInput({"report", "card", "Ah", "--input", "-"}, first + "\r\n" + first,
                         "-:2: empty line (expected 52 cards)");
}

TEST_F(ReportCommandTest, ReadFailureIsTheProgramsOwnError) {
    for (const char* command : {"report", "hands"}) {
        std::vector<std::string> args = {command, "--input", dir_.Path()};
        if (std::string(command) == "report") args.insert(args.begin() + 1, {"rank", "T"});
        const CliResult r = RunCli(args);
        EXPECT_EQ(r.status, 1) << command;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "brevane-cli: " + dir_.Path() + ": Is a directory\n") << command;
    }
}

TEST_F(ReportCommandTest, NoRowsIsAnError) {
    const std::string path = dir_.File("empty.txt");
    test::WriteFileBytes(path, "");
    test::ExpectUsageError({"report", "suit", "Club", "--input", path}, "No hands dealt");
}

TEST_F(ReportCommandTest, UnknownCommandsOptionsAndSelectionsAreOneLineErrors) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"report"}, "name a report"},
        {{"report", "colour", "Red"}, "unknown report 'colour'"},
        {{"report", "suit", "Clubs"}, "unknown suit 'Clubs'"},
        {{"report", "suit", "club"}, "unknown suit 'club'"},
        {{"report", "suit"}, "needs a selection"},
        {{"report", "rank", "10"}, "unknown rank '10'"},
        {{"report", "card", "AH"}, "unknown card 'AH'"},
        {{"report", "position", "53"}, "unknown deck position '53'"},
        {{"report", "position", "07"}, "unknown deck position '07'"},
        {{"report", "position", "0"}, "unknown deck position '0'"},
        {{"report", "categories", "extra"}, "unexpected argument 'extra'"},
        {{"report", "categories", "--players", "11"}, "invalid player count '11'"},
        {{"report", "categories", "--players", "1"}, "invalid player count '1'"},
        {{"report", "categories", "--seat", "D-10"}, "no seat 'D-10' at 10 players"},
        {{"report", "categories", "--players", "2", "--seat", "D-2"}, "no seat 'D-2' at 2"},
        {{"report", "categories", "--seat", "D-0"}, "no seat 'D-0'"},
        {{"report", "categories", "--seat", "X"}, "no seat 'X'"},
        {{"report", "categories", "--stage", "River"}, "invalid stage 'River'"},
        {{"report", "categories", "--frobnicate"}, "unknown option '--frobnicate'"},
        {{"report", "categories", "--class", "Pair"}, "unknown option '--class'"},
    };
    for (const auto& [args, named] : cases) {
        std::vector<std::string> withInput = args;
        withInput.insert(withInput.end(), {"--input", path_});
        test::ExpectUsageError(withInput, named);
    }
    test::ExpectUsageError({"report", "categories", "--input", path_, "--seat"},
                           "--seat needs a value");
    test::ExpectUsageError({"report", "categories"}, "--input FILE or --shuffles COUNT");
    test::ExpectUsageError({"report", "categories", "--input", path_, "--shuffles", "5"},
                           "either --input or --shuffles");
    test::ExpectUsageError(
        {"report", "categories", "--input", path_, "--key", test::CountingKeyHex},
        "--key goes with --shuffles");
    test::ExpectUsageError({"report", "categories", "--shuffles", "5", "--key", "abc"},
                           "invalid key 'abc'");
    test::ExpectUsageError({"report", "categories", "--shuffles", "0"}, "invalid shuffle count");
    test::ExpectUsageError({"report", "suit", "Club", "--input", dir_.File("missing.txt")},
                           "missing.txt: No such file or directory");
}

TEST_F(ReportCommandTest, DecimalSeparatorComesFromTheLocale) {
    const test::TempDir localeFolder;
    if (!test::MakeGermanLocaleAvailable(localeFolder))
        GTEST_SKIP() << "no German locale, and localedef could not make one";
    setenv("LC_ALL", "de_DE.UTF-8", 1);
    const CliResult r = Report({"suit", "Club"});
    unsetenv("LC_ALL");
    unsetenv("LOCPATH");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, test::Joined(PositionReport(list_, 's', 0, "Club", ",")));
    EXPECT_NE(r.out.find(","), std::string::npos);
}

}  // namespace
}  // namespace brevane
