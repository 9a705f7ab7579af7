#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "AnalysisCliHelpers.h"
#include "stats/BiasMap.h"
#include "stats/FairnessReport.h"
#include "support/TinyDisk.h"

namespace brevane {
namespace {

namespace fs = std::filesystem;
using test::CliResult;
using test::RunCli;

class MapCommandTest : public test::AnalysisCliTest<300> {
  protected:
    CliResult Map(std::vector<std::string> args) { return RunOnFile("map", std::move(args)); }

    BiasMap Expected(BiasView view) const {
        return BiasMap(CountShuffleList(list_, SeatView{}), view);
    }

    // The folder's entries: a failed write must leave no temporary file behind.
    std::size_t Entries() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_.Path()), {}));
    }
};

TEST_F(MapCommandTest, CsvIsTheCountMatrixOfEachView) {
    CliResult r = Map({"--format", "csv"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, Expected(BiasView::Cards).CsvText());
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 53);
    EXPECT_EQ(r.out.substr(0, 9), "card,1,2,");

    r = Map({"--view=moves", "--format=csv", "--output", dir_.File("moves.csv")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(test::ReadFileBytes(dir_.File("moves.csv")), Expected(BiasView::Moves).CsvText());

    // Generated rows are those `shuffle` makes with the key: the fixture's rows.
    r = RunCli({"map", "--shuffles", "300", "--key", test::CountingKeyHex, "--format", "csv"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, Expected(BiasView::Cards).CsvText());
}

// The pictures are drawn with no display: neither DISPLAY nor QT_QPA_PLATFORM is set.
TEST_F(MapCommandTest, PicturesAreWrittenWithoutADisplay) {
    unsetenv("DISPLAY");
    unsetenv("QT_QPA_PLATFORM");
    unsetenv("WAYLAND_DISPLAY");
    CliResult r = Map({"--output", dir_.File("cards.png")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "");
    const std::string png = test::ReadFileBytes(dir_.File("cards.png"));
    EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");

    r = Map({"--view", "moves", "--output", dir_.File("moves.SVG")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const std::string svg = test::ReadFileBytes(dir_.File("moves.SVG"));
    EXPECT_NE(svg.find("<svg"), std::string::npos);
    EXPECT_NE(svg.find(Expected(BiasView::Moves).Title()), std::string::npos);

    // --format names the type whatever the extension.
    r = Map({"--format", "svg", "--output", dir_.File("picture.img")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(test::ReadFileBytes(dir_.File("picture.img")).find("<svg"), std::string::npos);
}

// --model and --from-new-deck make the rows that `shuffle` writes with them, and are refused
// with --input.
TEST_F(MapCommandTest, ModelOptionsGoWithGeneratedRowsOnly) {
    for (const char* view : {"cards", "moves"}) {
        EXPECT_EQ(test::ExpectModelRowsAsShuffled({"map", "--view", view, "--format", "csv"},
                                                  {"--model", "naive-swap", "--from-new-deck"}),
                  0);
    }
    const std::string out = dir_.File("x.png");
    test::ExpectUsageError({"map", "--input", path_, "--model", "riffle:3", "--output", out},
                           "--model 'riffle:3'");
    test::ExpectUsageError({"map", "--shuffles", "5", "--model", "overhand:0", "--output", out},
                           "'overhand:0'");
    EXPECT_EQ(Entries(), 1u);
}

TEST_F(MapCommandTest, BadOptionsAreUsageErrors) {
    const std::string out = dir_.File("x.png");
    const std::string key = test::CountingKeyHex;
    test::ExpectUsageError({"map", "--shuffles", "5", "--view", "diagonal", "--output", out},
                           "'diagonal'");
    test::ExpectUsageError({"map", "--shuffles", "5", "--format", "jpg"}, "'jpg'");
    test::ExpectUsageError({"map", "--shuffles", "5", "--output", dir_.File("x.jpg")}, "x.jpg");
    test::ExpectUsageError({"map", "--shuffles", "5"}, "--output");
    test::ExpectUsageError({"map", "--shuffles", "5", "--format", "png"}, "--output");
    test::ExpectUsageError({"map", "--shuffles", "5", "--output"}, "--output needs a value");
    test::ExpectUsageError({"map", "--output", out}, "--input");
    test::ExpectUsageError({"map", "--shuffles", "5", "--key", "12", "--output", out}, "'12'");
    test::ExpectUsageError({"map", "--shuffles", "5", "--players", "6", "--output", out},
                           "'--players'");
    test::ExpectUsageError({"map", "--shuffles", "5", "--rotate", "--output", out}, "'--rotate'");
    test::ExpectUsageError({"map", "--shuffles", "5", "--output", out, "extra"}, "'extra'");
    test::ExpectUsageError({"map", "--input", dir_.File("none.txt"), "--output", out}, "none.txt");
    EXPECT_EQ(Entries(), 1u);  // the fixture's rows only
}

TEST_F(MapCommandTest, BadOrTooFewRowsAreUsageErrorsAndWriteNothing) {
    const std::string out = dir_.File("x.png");
    test::ExpectBadInput({"map", "--input", "-", "--output", out}, "2c 2d\n",
                         "-:1: expected 52 cards, found 2");
    test::ExpectBadInput({"map", "--input", "-", "--output", out}, "",
                         "brevane-cli: map: No hands dealt");
    const std::string oneRow = test::ExportText(list_).substr(0, ExportLineBytes);
    const CliResult r = RunCli({"map", "--view", "moves", "--input", "-", "--output", out}, oneRow);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("needs at least two shuffles"), std::string::npos) << r.err;
    EXPECT_EQ(RunCli({"map", "--input", "-", "--format", "csv"}, oneRow).status, 0);
    EXPECT_EQ(Entries(), 1u);
}

TEST_F(MapCommandTest, UnwritableOutputsFailWithOneAndLeaveNoFile) {
    CliResult r = Map({"--output", dir_.File("missing/x.png")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("No such file or directory"), std::string::npos) << r.err;
    fs::create_directory(dir_.File("folder.svg"));
    r = Map({"--output", dir_.File("folder.svg")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Is a directory"), std::string::npos) << r.err;
    EXPECT_TRUE(fs::is_empty(dir_.File("folder.svg")));
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(Entries(), 2u);
}

TEST_F(MapCommandTest, FullDiskKeepsTheOldFile) {
    const std::string folder = dir_.File("disk");
    fs::create_directory(folder);
    test::TinyDisk disk(folder, "16k");
    if (!disk.Mounted()) GTEST_SKIP() << "cannot mount a small tmpfs here";
    test::WriteFileBytes(folder + "/map.svg", "old");
    const CliResult r = Map({"--output", folder + "/map.svg"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("No space left on device"), std::string::npos) << r.err;
    EXPECT_EQ(test::ReadFileBytes(folder + "/map.svg"), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 1);
}

// The CSV fits on the disk and its companion no longer does: neither replaces its old file.
// The disk holds the old companion's page and the new CSV's pages, not one page more.
TEST_F(MapCommandTest, CsvAndItsCompanionAreReplacedTogether) {
    const std::string csvText = Expected(BiasView::Cards).CsvText();
    const std::size_t pages = (csvText.size() + 4095) / 4096 + 1;
    const std::string folder = dir_.File("disk");
    fs::create_directory(folder);
    test::TinyDisk disk(folder, (std::to_string(pages * 4) + "k").c_str());
    if (!disk.Mounted()) GTEST_SKIP() << "cannot mount a small tmpfs here";
    const std::string csv = folder + "/m.csv";
    test::WriteFileBytes(csv, "");
    test::WriteFileBytes(csv + ".json", "old");
    CliResult r = Map({"--format", "csv", "--output", csv});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("m.csv.json: No space left on device"), std::string::npos) << r.err;
    EXPECT_EQ(test::ReadFileBytes(csv), "");
    EXPECT_EQ(test::ReadFileBytes(csv + ".json"), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 2);

    // With room for both, both are replaced.
    fs::remove(csv + ".json");
    r = Map({"--format", "csv", "--output", csv});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(test::ReadFileBytes(csv), csvText);
    EXPECT_EQ(nlohmann::json::parse(test::ReadFileBytes(csv + ".json"))["total"], 300);
}

// The text of the first such element of an SVG file as an XML parser reads it (xmllint ends it
// with a line end), or the parser's complaint.
std::string SvgElementText(const std::string& svg, const std::string& element) {
    const CliResult r =
        test::RunShell("xmllint --xpath 'string(//*[local-name()=\"" + element + "\"])' -", svg);
    if (r.status != 0) return "xmllint: " + r.err;
    return r.out.ends_with('\n') ? r.out.substr(0, r.out.size() - 1) : r.out;
}

// p = 0 puts "<" into the title; the file name holds every character that XML quotes.
TEST_F(MapCommandTest, SvgIsXmlForTheMostExtremeMaps) {
    const std::string path = dir_.File("a&<>\"'.svg");
    struct Case {
        std::vector<std::string> args;
        std::string title;
    };
    const std::string key = test::CountingKeyHex;
    const Case cases[] = {
        {{"--view", "moves", "--shuffles", "20000", "--key", key, "--model", "naive-swap"},
         "Moves: M = 19999 pairs; move-position: fail, p < 4.9e-324 (alpha 0.01)"},
        {{"--shuffles", "2000", "--key", key, "--model", "riffle:1", "--from-new-deck"},
         "Cards: M = 2000 rows; card-position: fail, p < 4.9e-324 (alpha 0.01)"},
        {{"--view", "moves", "--input", path_}, Expected(BiasView::Moves).Title()},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"map", "--output", path};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const CliResult r = RunCli(args);
        ASSERT_EQ(r.status, 0) << r.err;
        const std::string svg = test::ReadFileBytes(path);
        const CliResult lint = test::RunShell("xmllint --noout -", svg);
        EXPECT_EQ(lint.status, 0) << lint.err;
        EXPECT_EQ(SvgElementText(svg, "desc"), c.title);
        EXPECT_EQ(SvgElementText(svg, "title"), "Bias map");
        EXPECT_EQ(SvgElementText(svg, "text"), c.title);
    }
}

TEST(MapCommandHelp, HelpAndUsageNameTheCommand) {
    CliResult r = RunCli({"map", "--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Usage: brevane-cli map"), std::string::npos);
    EXPECT_NE(r.out.find("--view"), std::string::npos);
    r = RunCli({"--help"});
    EXPECT_NE(r.out.find("  map "), std::string::npos) << r.out;
}

}  // namespace
}  // namespace brevane
