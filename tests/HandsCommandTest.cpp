#include <filesystem>

#include "AnalysisCliHelpers.h"
#include "hand/PokerHand.h"

namespace brevane {
namespace {

using test::AnalysisCliTest;
using test::CliResult;
using test::RunCli;

// The expected lines, from the literal seat rules and evaluator: hand number, tab, the hole
// cards, the dealt board (none at the Hole stage), "  =  " and the hand in words.
std::string Expected(const ShuffleList& list, int n, int p, int s, int handClass,
                     std::size_t from = 1, std::size_t limit = SIZE_MAX) {
    std::string text;
    std::size_t found = 0;
    for (std::size_t r = from - 1; r < list.Count() && found < limit; ++r) {
        const auto c = reference::PlayerCards(list, static_cast<long long>(r), n, p, s);
        const std::int32_t v = reference::Evaluate(c);
        if (handClass >= 0 && !reference::ClassMatches(handClass, v)) continue;
        ++found;
        text += std::to_string(r + 1) + "\t[" + CardName(c[0]) + " " + CardName(c[1]) + "]";
        const int board[] = {0, 3, 4, 5};
        for (int i = 0; i < board[s]; ++i) {
            text += i == 0 ? " [" : " ";
            text += CardName(c[2 + i]);
        }
        if (s > 0) text += "]";
        text += "  =  " + HandDescription(v) + "\n";
    }
    return text;
}

class HandsCommandTest : public AnalysisCliTest<500> {
  protected:
    CliResult Hands(std::vector<std::string> args) { return RunOnFile("hands", std::move(args)); }
};

TEST_F(HandsCommandTest, EveryRowByDefault) {
    const CliResult r = Hands({});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, Expected(list_, 10, 0, 3, -1));
}

TEST_F(HandsCommandTest, ClassSeatAndStage) {
    CliResult r = Hands({"--class", "Two Pair +", "--players", "3", "--seat", "D-1", "--rotate"});
    EXPECT_EQ(r.out, Expected(list_, 3, 4, 3, 6));
    EXPECT_NE(r.out, "");
    r = Hands({"--class=Pair", "--stage", "hole", "--players", "2"});
    EXPECT_EQ(r.out, Expected(list_, 2, 0, 0, 2));
    EXPECT_NE(r.out, "");
    r = Hands({"--class", "Flush -", "--stage", "flop", "--seat", "D-9"});
    EXPECT_EQ(r.out, Expected(list_, 10, 9, 1, 13));
    r = Hands({"--class", "High Card", "--stage", "turn", "--players", "7", "--seat", "D-6"});
    EXPECT_EQ(r.out, Expected(list_, 7, 6, 2, 0));
    // At the Hole stage nothing reaches two pair.
    r = Hands({"--class", "Two Pair +", "--stage", "hole"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
}

TEST_F(HandsCommandTest, FromAndLimit) {
    CliResult r = Hands({"--from", "50", "--limit", "3", "--class", "Pair +"});
    EXPECT_EQ(r.out, Expected(list_, 10, 0, 3, 3, 50, 3));
    r = Hands({"--from", "500", "--rotate"});
    EXPECT_EQ(r.out, Expected(list_, 10, 10, 3, -1, 500));
    EXPECT_EQ(r.out.substr(0, 4), "500\t");
    r = Hands({"--from", "501"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
}

TEST_F(HandsCommandTest, GeneratedRowsMatchTheListAndStopAtTheLimit) {
    CliResult r = RunCli({"hands", "--shuffles", "500", "--key", test::CountingKeyHex, "--stage",
                          "flop", "--seat", "D-4", "--rotate"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, Expected(list_, 10, 14, 1, -1));
    // Rows are made one at a time: a billion are not made when two lines suffice.
    r = RunCli(
        {"hands", "--shuffles", "1000000000", "--key", test::CountingKeyHex, "--limit", "2"});
    EXPECT_EQ(r.out, Expected(list_, 10, 0, 3, -1, 1, 2));
}

TEST_F(HandsCommandTest, ModelRowsGiveTheHandsOfTheRowsThatShuffleWrites) {
    const CliResult rows = RunCli({"shuffle", "400", "--key", test::CountingKeyHex, "--model",
                                   "overhand:3", "--from-new-deck"});
    ASSERT_EQ(rows.status, 0) << rows.err;
    const CliResult fromFile = RunCli({"hands", "--input", "-", "--class", "Pair +"}, rows.out);
    const CliResult made =
        RunCli({"hands", "--shuffles", "400", "--key", test::CountingKeyHex, "--class", "Pair +",
                "--model", "overhand:3", "--from-new-deck"});
    EXPECT_EQ(made.status, 0) << made.err;
    EXPECT_FALSE(made.out.empty());
    EXPECT_EQ(made.out, fromFile.out);
    test::ExpectUsageError({"hands", "--input", path_, "--model", "overhand:3"}, "'overhand:3'");
    test::ExpectUsageError({"hands", "--shuffles", "3", "--model", "overhand:0"}, "'overhand:0'");
}

TEST_F(HandsCommandTest, ABadLineAnywhereLeavesStandardOutputEmpty) {
    const std::string good = test::ExportText(list_);
    const std::string path = dir_.File("bad.txt");
    test::WriteFileBytes(path, good + "2c 2d\r\n");
    test::ExpectBadInput({"hands", "--input", path}, "", path + ":501: expected 52 cards, found 2");
    // Even when the limit was reached long before.
    test::ExpectBadInput({"hands", "--limit", "1", "--input", path}, "",
                         path + ":501: expected 52 cards, found 2");
    test::ExpectBadInput({"hands", "--input", "-"}, good + "Ah Ah\n",
                         "-:501: expected 52 cards, found 2");
}

TEST_F(HandsCommandTest, OutputBeyondTheMemorySpoolComesOutWholeAndInOrder) {
    // About 11 MB of hand lines: more than the spool keeps in memory.
    const ShuffleList many = reference::ShuffledList(200000);
    const std::string text = test::ExportText(many);
    const std::string path = dir_.File("many.txt");
    test::WriteFileBytes(path, text);
    const CliResult fromFile = RunCli({"hands", "--input", path});
    ASSERT_EQ(fromFile.status, 0) << fromFile.err;
    const CliResult generated =
        RunCli({"hands", "--shuffles", "200000", "--key", test::CountingKeyHex});
    EXPECT_GT(fromFile.out.size(), std::size_t{8} << 20);
    EXPECT_TRUE(fromFile.out == generated.out);
    EXPECT_TRUE(fromFile.out.starts_with(Expected(list_, 10, 0, 3, -1)));

    test::WriteFileBytes(path, text + "x\n");
    const CliResult bad = RunCli({"hands", "--input", path});
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.out, "");
    EXPECT_EQ(bad.err, path + ":200001: unknown card name \"x\"\n");
}

// More than the memory spool keeps, so the lines wait in a scratch file.
TEST_F(HandsCommandTest, SpoolGoesToTmpdir) {
    const std::string path = dir_.File("many.txt");
    const CliResult made =
        RunCli({"shuffle", "200000", "--key", test::CountingKeyHex, "--output", path});
    ASSERT_EQ(made.status, 0) << made.err;
    const std::string missing = dir_.File("no-such-folder");
    test::CliSetup setup;
    setup.env = {"TMPDIR=" + missing};
    const CliResult refused = RunCli({"hands", "--input", path}, {}, setup);
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(refused.err,
              "brevane-cli: hands: temporary file in " + missing + ": No such file or directory\n");

    const std::string scratch = dir_.File("scratch");
    std::filesystem::create_directory(scratch);
    setup.env = {"TMPDIR=" + scratch};
    const CliResult spooled = RunCli({"hands", "--input", path}, {}, setup);
    EXPECT_EQ(spooled.status, 0) << spooled.err;
    EXPECT_GT(spooled.out.size(), std::size_t{8} << 20);
    EXPECT_TRUE(spooled.out.starts_with(Expected(list_, 10, 0, 3, -1)));
    EXPECT_TRUE(std::filesystem::is_empty(scratch));
}

TEST_F(HandsCommandTest, UsageErrors) {
    test::ExpectUsageError({"hands", "--input", path_, "--class", "Full House+"},
                           "unknown hand class 'Full House+'");
    test::ExpectUsageError({"hands", "--input", path_, "--class", "royal flush"},
                           "unknown hand class 'royal flush'");
    test::ExpectUsageError({"hands", "--input", path_, "--from", "0"}, "invalid hand number '0'");
    test::ExpectUsageError({"hands", "--input", path_, "--limit", "-1"}, "invalid limit '-1'");
    test::ExpectUsageError({"hands", "--input", path_, "Pair"}, "unexpected argument 'Pair'");
    test::ExpectUsageError({"hands", "--input", path_, "--players", "4", "--seat", "D-4"},
                           "no seat 'D-4' at 4 players");
    const std::string empty = dir_.File("empty.txt");
    test::WriteFileBytes(empty, "");
    test::ExpectUsageError({"hands", "--input", empty}, "No hands dealt");
}

}  // namespace
}  // namespace brevane
