#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/CliRunner.h"

namespace brevane {
namespace {

using test::RunCli;

std::vector<std::string> Eval(std::vector<std::string> cards) {
    cards.insert(cards.begin(), "eval");
    return cards;
}

int LineCount(const std::string& text) {
    int lines = 0;
    for (const char c : text) lines += c == '\n';
    return lines;
}

TEST(EvalCommandTest, PrintsValueAndDescription) {
    const auto result = RunCli(Eval({"Ah", "Kh", "Qh", "Jh", "Th"}));
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "0x9EDCBA Royal Flush\n");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(RunCli(Eval({"Ah", "Kd"})).out, "0x1ED000 High Card Ace\n");
    EXPECT_EQ(RunCli(Eval({"Ah", "Ac", "Kd", "Ks", "Qh", "Qc", "3d"})).out,
              "0x3EEDDC Two Pair, Aces and Kings\n");
    EXPECT_EQ(RunCli(Eval({"Ac", "2d", "3h", "4s", "5c", "6d", "-"})).out,
              "0x565432 Straight, Deuce to Six\n");
}

TEST(EvalCommandTest, DashIsAMissingCardAnywhere) {
    EXPECT_EQ(RunCli(Eval({"Kh", "Kd", "-", "9c", "-", "6s", "2h"})).out,
              "0x2DD962 Pair of Kings\n");
    for (const auto& args : {Eval({"-", "Kd"}), Eval({"Ah", "-", "Qh", "Jh", "Th", "9h", "8h"})}) {
        const auto result = RunCli(args);
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.out, "0x000000 Error\n");
    }
}

TEST(EvalCommandTest, BadArgumentsNameTheTokenAndExitWithUsageStatus) {
    const struct {
        std::vector<std::string> cards;
        const char* token;
    } cases[] = {
        {{"Ah", "Zz"}, "'Zz'"},
        {{"Ah", "ah"}, "'ah'"},
        {{"Ah", "Kd", "10h"}, "'10h'"},
        {{"Ah", "Kd", "Ah"}, "'Ah'"},
        {{"Ah"}, "'Ah'"},
        {{"Ah", "Kd", "2c", "3c", "4c", "5c", "6c", "7c"}, "'7c'"},
    };
    for (const auto& c : cases) {
        const auto result = RunCli(Eval(c.cards));
        EXPECT_EQ(result.status, 2) << c.token;
        EXPECT_EQ(result.out, "") << c.token;
        EXPECT_EQ(LineCount(result.err), 1) << result.err;
        EXPECT_NE(result.err.find(c.token), std::string::npos) << result.err;
    }
    EXPECT_EQ(RunCli({"eval"}).status, 2);
}

TEST(EvalCommandTest, StandardInputGivesOneLinePerHand) {
    const auto result = RunCli(
        {"eval", "-"}, "Ah Kh Qh Jh Th\r\n7h 2d - - - - -\n\tKh  Kd 9c\t6s 2h 3c\n- Kd\nAh Kd");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out,
              "0x9EDCBA Royal Flush\n"
              "0x172000 High Card Seven\n"
              "0x2DD963 Pair of Kings\n"
              "0x000000 Error\n"
              "0x1ED000 High Card Ace\n");
    const auto empty = RunCli({"eval", "-"}, "");
    EXPECT_EQ(empty.status, 0);
    EXPECT_EQ(empty.out, "");
}

TEST(EvalCommandTest, BadLineStopsAfterTheLinesBeforeIt) {
    const struct {
        const char* input;
        const char* where;
        const char* token;
    } cases[] = {
        {"Ah Kd\n2c 3c\nAh Kx\nQh Qd\n", "-:3:", "'Kx'"},
        {"Ah Kd\nAh Ad Ah\n", "-:2:", "'Ah'"},
        {"Ah Kd 2c 3c 4c 5c 6c 7c\n", "-:1:", "'7c'"},
        {"Ah Kd\n2c 3c\nQs\n", "-:3:", "'Qs'"},
        {"Ah Kd\n\n", "-:2:", "no cards"},
        {"Ah Kd\r\nAh\rKd\r\n", "-:2:", "'Ah?Kd'"},
    };
    for (const auto& c : cases) {
        const auto result = RunCli({"eval", "-"}, c.input);
        EXPECT_EQ(result.status, 2) << c.input;
        EXPECT_EQ(LineCount(result.err), 1) << result.err;
        EXPECT_NE(result.err.find(c.where), std::string::npos) << result.err;
        EXPECT_NE(result.err.find(c.token), std::string::npos) << result.err;
        const std::string where = c.where;
        const int lineNumber = std::stoi(where.substr(2));
        EXPECT_EQ(LineCount(result.out), lineNumber - 1) << result.out;
    }
}

TEST(EvalCommandTest, ManyLinesStream) {
    std::string input;
    for (int i = 0; i < 100000; ++i)
        input += i % 2 ? "Ah Ad - - - - -\n" : "7c 7d 7h 5s 5c 5d Ah\n";
    const auto result = RunCli({"eval", "-"}, input);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(LineCount(result.out), 100000);
    const std::string twoLines =
        "0x777755 Full House, Sevens full of Fives\n0x2EE000 Pair of Aces\n";
    EXPECT_EQ(result.out.substr(0, twoLines.size()), twoLines);
}

// The answers before the bad line find no reader; the bad line is reported all the same.
TEST(EvalCommandTest, BadLineIsReportedWhenTheReaderHasGone) {
    test::CliSetup gone;
    gone.stdoutReaderGone = true;
    const auto result = RunCli({"eval", "-"}, "Ah Kh\nZz\n", gone);
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err, "brevane-cli: eval: -:2: only one card, 'Zz'; a hand has 2 to 7 cards\n");
    const auto good = RunCli({"eval", "-"}, "Ah Kh\nQs Qd\n", gone);
    EXPECT_EQ(good.status, 0);
    EXPECT_EQ(good.err, "");
}

TEST(EvalCommandTest, HelpDescribesTheCommand) {
    const auto result = RunCli({"eval", "--help"});
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(result.out.find("brevane-cli eval CARD CARD"), std::string::npos);
}

}  // namespace
}  // namespace brevane
