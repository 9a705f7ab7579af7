// `--save-counts`, `--first-row` and `merge`: shards of a run, merged, print what the run prints.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "AnalysisCliHelpers.h"
#include "stats/CountsFile.h"

namespace brevane::test {
namespace {

constexpr std::size_t Rows = 1500;
// Where the three shards of the list begin, and the end.
constexpr std::size_t Cuts[] = {0, 400, 1111, Rows};

std::vector<std::string> Plus(std::vector<std::string> args, const std::vector<std::string>& more) {
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

// The count cells of a map's CSV, header row and column left out.
std::vector<std::uint64_t> CsvCells(const std::string& csv) {
    std::vector<std::uint64_t> cells;
    std::istringstream lines(csv);
    std::string line;
    std::getline(lines, line);
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string field;
        std::getline(fields, field, ',');
        while (std::getline(fields, field, ',')) cells.push_back(std::stoull(field));
    }
    return cells;
}

class MergeCommand : public AnalysisCliTest<Rows> {
  protected:
    void SetUp() override {
        AnalysisCliTest<Rows>::SetUp();
        const std::string all = ReadFileBytes(path_);
        for (std::size_t k = 0; k + 1 < std::size(Cuts); ++k) {
            parts_.push_back(dir_.File("part" + std::to_string(k) + ".txt"));
            WriteFileBytes(parts_.back(), all.substr(Cuts[k] * ExportLineBytes,
                                                     (Cuts[k + 1] - Cuts[k]) * ExportLineBytes));
        }
    }

    // Runs `command` over each part with its --first-row and --save-counts; each run must print
    // what it prints without --save-counts. Gives the counts files.
    std::vector<std::string> SaveShards(const std::vector<std::string>& command) {
        std::vector<std::string> files;
        for (std::size_t k = 0; k < parts_.size(); ++k) {
            files.push_back(dir_.File("shard" + std::to_string(k) + ".json"));
            const auto args =
                Plus(command, {"--input", parts_[k], "--first-row", std::to_string(Cuts[k])});
            const CliResult plain = RunCli(args);
            const CliResult saving = RunCli(Plus(args, {"--save-counts", files.back()}));
            EXPECT_EQ(saving.status, plain.status) << saving.err;
            EXPECT_EQ(saving.out, plain.out) << command[0];
            EXPECT_EQ(saving.err, "");
        }
        return files;
    }

    // `merge FILES... command` prints what `command` prints over the whole file.
    void ExpectMergedAsWhole(const std::vector<std::string>& files,
                             const std::vector<std::string>& command) {
        const CliResult whole = RunCli(Plus(command, {"--input", path_}));
        std::vector<std::string> merge = {"merge"};
        // Named in reverse: the parts find their places by their first rows.
        merge.insert(merge.end(), files.rbegin(), files.rend());
        const CliResult merged = RunCli(Plus(merge, command));
        EXPECT_EQ(merged.status, whole.status) << merged.err;
        EXPECT_EQ(merged.out, whole.out) << command[0] << " " << command[1];
        EXPECT_EQ(merged.err, whole.err);
        EXPECT_NE(merged.out, "");
    }

    std::vector<std::string> parts_;
};

TEST_F(MergeCommand, ReportsOfShardsInOrderEqualTheWholeRun) {
    const std::vector<std::vector<std::string>> reports = {
        {"report", "suit", "Club"},
        {"report", "rank", "T"},
        {"report", "card", "Qh"},
        {"report", "position", "7"},
        {"report", "categories", "--players", "6", "--seat", "D-2", "--stage", "flop"},
        {"report", "categories", "--rotate", "--seat", "D-3"},
        {"report", "categories", "--players", "3", "--rotate", "--stage", "hole"},
    };
    for (const auto& report : reports) {
        const auto files = SaveShards(report);
        // The seat options stay with the shards.
        std::vector<std::string> merged = {report[0], report[1]};
        if (report[1] != "categories") merged.push_back(report[2]);
        const CliResult whole = RunCli(Plus(report, {"--input", path_}));
        const CliResult fromShards = RunCli(Plus(Plus({"merge"}, files), merged));
        EXPECT_EQ(fromShards.status, 0) << fromShards.err;
        EXPECT_EQ(fromShards.out, whole.out) << report[1];
    }
    // Any report follows from the counts that any report saved.
    const auto files = SaveShards({"report", "suit", "Heart"});
    ExpectMergedAsWhole(files, {"report", "position", "52"});
    ExpectMergedAsWhole(files, {"report", "card", "2c"});
    ExpectMergedAsWhole(files, {"report", "categories"});
}

// The machine-readable reports of merged counts are those of the whole run, the JSON's source
// aside.
TEST_F(MergeCommand, ReportFormatsOfShardsEqualTheWholeRun) {
    const auto files = SaveShards({"report", "categories", "--rotate", "--players", "6"});
    const CliResult wholeCsv = RunCli({"report", "categories", "--rotate", "--players", "6",
                                       "--format", "csv", "--input", path_});
    const CliResult mergedCsv =
        RunCli(Plus(Plus({"merge"}, files), {"report", "categories", "--format", "csv"}));
    ASSERT_EQ(mergedCsv.status, 0) << mergedCsv.err;
    EXPECT_EQ(mergedCsv.out, wholeCsv.out);
    const CliResult wholeJson = RunCli({"report", "rank", "Q", "--rotate", "--players", "6",
                                        "--format", "json", "--input", path_});
    const CliResult mergedJson =
        RunCli(Plus(Plus({"merge"}, files), {"report", "rank", "Q", "--format=json"}));
    auto merged = nlohmann::ordered_json::parse(mergedJson.out);
    auto whole = nlohmann::ordered_json::parse(wholeJson.out);
    EXPECT_TRUE(merged["source"].is_array());
    merged.erase("source");
    whole.erase("source");
    EXPECT_EQ(merged, whole);
}

TEST_F(MergeCommand, FairnessTestsOfShardsEqualTheWholeRun) {
    const std::vector<std::vector<std::string>> seats = {
        {"--seat", "D-4"}, {"--players", "5", "--rotate", "--seat", "D-1"}};
    for (const auto& seat : seats) {
        const auto files = SaveShards(Plus({"test"}, seat));
        const CliResult whole =
            RunCli(Plus(Plus({"test", "--format", "json"}, seat), {"--input", path_}));
        const CliResult merged = RunCli(Plus(Plus({"merge"}, files), {"test", "--format", "json"}));
        EXPECT_EQ(merged.status, whole.status) << merged.err;
        // The same but the source: the merged result names every shard's file, in order.
        nlohmann::ordered_json mergedJson = nlohmann::ordered_json::parse(merged.out);
        nlohmann::ordered_json wholeJson = nlohmann::ordered_json::parse(whole.out);
        ASSERT_EQ(mergedJson["source"].size(), parts_.size());
        for (std::size_t k = 0; k < parts_.size(); ++k) {
            EXPECT_EQ(mergedJson["source"][k]["file"], parts_[k]);
            EXPECT_EQ(mergedJson["source"][k]["sha256"], test::Sha256SumOf(parts_[k]));
        }
        mergedJson.erase("source");
        wholeJson.erase("source");
        // Each shard learned its guessing game from its own rows only, so the guessing tests
        // score fewer, less taught decks than one run: every other figure is the same.
        const auto guessing = [](nlohmann::ordered_json& json) {
            nlohmann::ordered_json tests = json["tests"];
            json["tests"].erase(json["tests"].begin() + 7, json["tests"].end());
            return tests[7]["guessing"]["decks"].get<std::uint64_t>();
        };
        EXPECT_EQ(guessing(mergedJson) + parts_.size() - 1, guessing(wholeJson));
        mergedJson.erase("summary");
        wholeJson.erase("summary");
        EXPECT_EQ(mergedJson, wholeJson);
        const CliResult wholeText = RunCli(Plus(Plus({"test"}, seat), {"--input", path_}));
        const CliResult mergedText = RunCli(Plus(Plus({"merge"}, files), {"test"}));
        const auto withoutGuessing = [](const std::string& text) {
            std::string kept;
            std::size_t start = 0;
            for (std::size_t end; (end = text.find('\n', start)) != std::string::npos;
                 start = end + 1) {
                const std::string line = text.substr(start, end - start + 1);
                if (!line.starts_with("guess-")) kept += line;
            }
            return kept;
        };
        EXPECT_EQ(withoutGuessing(WithoutSourceLines(mergedText.out)),
                  withoutGuessing(WithoutSourceLines(wholeText.out)));
        EXPECT_NE(mergedText.out.find("rising-sequences"), std::string::npos);
        // The text names each counts file and the rows it holds, in the order given.
        std::string source = "Fairness tests\nSource: 3 counts files\n";
        for (std::size_t k = 0; k < parts_.size(); ++k) {
            source += "  " + files[k] + ": file " + parts_[k] + ", SHA-256 " +
                      test::Sha256SumOf(parts_[k]) + "\n";
        }
        EXPECT_EQ(mergedText.out.substr(0, source.size()), source);
    }
}

TEST_F(MergeCommand, MapsOfShardsEqualTheWholeRun) {
    const auto files = SaveShards({"map", "--format", "csv"});
    ExpectMergedAsWhole(files, {"map", "--format", "csv"});
    ExpectMergedAsWhole(files, {"map", "--view", "moves", "--format", "csv"});
    const std::string whole = dir_.File("whole.svg");
    const std::string merged = dir_.File("merged.svg");
    ASSERT_EQ(RunCli({"map", "--input", path_, "--output", whole}).status, 0);
    const CliResult r = RunCli(Plus(Plus({"merge"}, files), {"map", "--output", merged}));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFileBytes(merged), ReadFileBytes(whole));
}

// Without --first-row a rotating seat starts afresh in each part; with it, as in one run.
TEST_F(MergeCommand, FirstRowPlacesARotatingSeat) {
    const std::vector<std::string> report = {"report", "categories", "--rotate", "--seat", "D-5"};
    const auto at = [&](const char* firstRow) {
        return RunCli(Plus(report, {"--input", parts_[2], "--first-row", firstRow})).out;
    };
    const std::string shard = RunCli(Plus(report, {"--input", parts_[2]})).out;
    // Ten players: the seat comes round again every ten rows.
    EXPECT_NE(at("1111"), shard);
    EXPECT_EQ(at("1121"), at("1111"));
    EXPECT_EQ(at("1110"), shard);
    EXPECT_NE(shard.find("Shuffles: 389\n"), std::string::npos);

    // hands: the lines of the part are those of the whole list at its rows, numbered anew.
    const std::vector<std::string> hands = {"hands",  "--players", "7",       "--rotate",
                                            "--seat", "D-5",       "--stage", "flop"};
    const CliResult whole = RunCli(Plus(hands, {"--input", path_}));
    const CliResult part = RunCli(Plus(hands, {"--input", parts_[1], "--first-row", "400"}));
    ASSERT_EQ(part.status, 0) << part.err;
    std::istringstream wholeLines(whole.out);
    std::istringstream partLines(part.out);
    std::string want;
    std::string got;
    for (std::size_t row = 0; std::getline(wholeLines, want); ++row) {
        if (row < 400 || row >= 1111) continue;
        ASSERT_TRUE(std::getline(partLines, got));
        EXPECT_EQ(got.substr(got.find('\t')), want.substr(want.find('\t'))) << row;
    }
    EXPECT_FALSE(std::getline(partLines, got));
}

// Generated shards bring only their own pairs: the merged moves are the sum of the shards'.
TEST_F(MergeCommand, GeneratedShardsAddUp) {
    std::vector<std::string> files;
    std::vector<std::uint64_t> moves(52 * 52);
    std::vector<std::uint64_t> cards(52 * 52);
    for (const char digit : {'1', '2', '3'}) {
        const std::vector<std::string> rows = {"--shuffles", "300", "--key",
                                               std::string(64, digit)};
        files.push_back(dir_.File(std::string("key") + digit + ".json"));
        const CliResult saved =
            RunCli(Plus(Plus({"map", "--view", "moves", "--format", "csv"}, rows),
                        {"--save-counts", files.back()}));
        ASSERT_EQ(saved.status, 0) << saved.err;
        const auto shardMoves = CsvCells(saved.out);
        const auto shardCards = CsvCells(RunCli(Plus({"map", "--format", "csv"}, rows)).out);
        ASSERT_EQ(shardMoves.size(), moves.size());
        ASSERT_EQ(shardCards.size(), cards.size());
        for (std::size_t i = 0; i < moves.size(); ++i) {
            moves[i] += shardMoves[i];
            cards[i] += shardCards[i];
        }
    }
    const auto merge = Plus({"merge"}, files);
    EXPECT_EQ(CsvCells(RunCli(Plus(merge, {"map", "--view", "moves", "--format", "csv"})).out),
              moves);
    EXPECT_EQ(CsvCells(RunCli(Plus(merge, {"map", "--format", "csv"})).out), cards);
    const CliResult report = RunCli(Plus(merge, {"report", "categories"}));
    EXPECT_NE(report.out.find("Shuffles: 900\n"), std::string::npos) << report.out;
    // Each shard brings 299 pairs: 897 in all, enough for every test.
    const CliResult tested = RunCli(Plus(merge, {"test"}));
    EXPECT_EQ(tested.status, 0) << tested.err;
    EXPECT_EQ(LineOf(tested.out, "  " + files[1]),
              "  " + files[1] + ": model fisher-yates, key " + std::string(64, '2'));
    // The file names the key and the program.
    const SavedCounts saved = ParseCountsFile(ReadFileBytes(files[0]));
    EXPECT_EQ(saved.source["key"], std::string(64, '1'));
    EXPECT_EQ(saved.program, RunCli({"--version"}).out.substr(0, saved.program.size()));
}

// Shards too short for the pairs' tests: two runs of 100 rows bring 200 rows and 198 pairs.
// The merged verdict is inconclusive, as one run's would be, in every format.
TEST_F(MergeCommand, ShardsTooFewForSomeTestsAreInconclusive) {
    const std::string riffled = dir_.File("riffled.json");
    const std::string timed = dir_.File("timed.json");
    ASSERT_EQ(RunCli({"test", "--shuffles", "100", "--key", std::string(64, 'a'), "--model",
                      "riffle:9", "--save-counts", riffled})
                  .status,
              4);
    ASSERT_EQ(RunCli({"test", "--shuffles", "100", "--save-counts", timed}).status, 4);
    const auto timerKey = ParseCountsFile(ReadFileBytes(timed)).source["key"].get<std::string>();
    CliResult r = RunCli({"merge", riffled, timed, "test"});
    EXPECT_EQ(r.status, 4) << r.err;
    EXPECT_NE(r.out.find("Fairness tests\nSource: 2 counts files\n  " + riffled +
                         ": model riffle:9, key " + std::string(64, 'a') + "\n  " + timed +
                         ": model fisher-yates, key " + timerKey +
                         " (chosen by the timer)\nShuffles: 200\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("\nVerdict: inconclusive: 2 of 9 tests need at least 261 shuffles\n"),
              std::string::npos)
        << r.out;
    r = RunCli({"merge", riffled, timed, "test", "--format", "csv"});
    EXPECT_EQ(r.status, 4);
    EXPECT_TRUE(
        r.out.starts_with("name,statistic,df,p,w,detects_w,verdict\ncard-position,,,,,,too few "
                          "shuffles\nmove-position,,,,,,too few shuffles\n"))
        << r.out;
    EXPECT_TRUE(r.out.ends_with("\noverall,,,,,,inconclusive\n")) << r.out;
}

// A counts file may hold any source object: the text shows it on one line whatever it holds.
TEST_F(MergeCommand, HandMadeSourcesStayOnOneLine) {
    const std::vector<std::pair<nlohmann::ordered_json, std::string>> cases = {
        {{{"model", "two\nlines"}, {"key", "k"}}, "model two?lines, key k"},
        {{{"file", "rows.txt"}}, "file rows.txt, SHA-256 unknown"},
        {{{"made", "by\thand"}}, R"({"made":"by\thand"})"},
    };
    std::vector<std::string> merge = {"merge"};
    for (std::size_t k = 0; k < cases.size(); ++k) {
        merge.push_back(dir_.File("edited" + std::to_string(k) + ".json"));
        const std::string key(64, static_cast<char>('b' + k));
        ASSERT_EQ(RunCli({"test", "--shuffles", "30", "--key", key, "--save-counts", merge.back()})
                      .status,
                  4);
        nlohmann::ordered_json edited = nlohmann::ordered_json::parse(ReadFileBytes(merge.back()));
        edited["source"] = cases[k].first;
        WriteFileBytes(merge.back(), edited.dump());
    }
    const CliResult r = RunCli(Plus(merge, {"test"}));
    ASSERT_EQ(r.status, 4) << r.err;
    EXPECT_NE(r.out.find("\nSource: 3 counts files\n"), std::string::npos) << r.out;
    for (std::size_t k = 0; k < cases.size(); ++k) {
        EXPECT_EQ(LineOf(r.out, "  " + merge[k + 1]), "  " + merge[k + 1] + ": " + cases[k].second);
    }
}

// A procedure is named with every K in the results and counts: shards of one key and one
// procedure, however each was written, hold the same rows and are refused; other keys add up.
TEST_F(MergeCommand, ProcedureShardsAreNamedInFullAndOneKeyIsOneSetOfRows) {
    const std::vector<std::string> casino = {"--model", "riffle:1+riffle:1+strip+riffle:1+cut",
                                             "--from-new-deck"};
    std::vector<std::string> files;
    for (const std::string& key :
         {std::string(64, '4'), std::string(64, '5'), std::string(64, '4')}) {
        files.push_back(dir_.File("casino" + std::to_string(files.size()) + ".json"));
        const CliResult r = RunCli(Plus({"test", "--format", "json", "--shuffles", "200", "--key",
                                         key, "--save-counts", files.back()},
                                        casino));
        ASSERT_NE(r.out, "") << r.err;
        EXPECT_EQ(nlohmann::json::parse(r.out)["source"]["model"],
                  "riffle:1+riffle:1+strip:5+riffle:1+cut");
        EXPECT_EQ(ParseCountsFile(ReadFileBytes(files.back())).source["model"],
                  "riffle:1+riffle:1+strip:5+riffle:1+cut");
    }
    const CliResult two = RunCli({"merge", files[0], files[1], "report", "categories"});
    EXPECT_EQ(two.status, 0) << two.err;
    EXPECT_NE(two.out.find("Shuffles: 400\n"), std::string::npos) << two.out;
    ExpectUsageError(
        {"merge", files[0], files[1], files[2], "test"},
        files[0] + " and " + files[2] + " hold the same rows (made with one key and model)");
}

TEST_F(MergeCommand, MismatchedAndMalformedShardsAreRefused) {
    const std::string fixed = dir_.File("fixed.json");
    const std::string six = dir_.File("six.json");
    ASSERT_EQ(
        RunCli({"report", "suit", "Club", "--input", parts_[0], "--save-counts", fixed}).status, 0);
    ASSERT_EQ(RunCli({"test", "--input", parts_[1], "--first-row", "400", "--players", "6",
                      "--save-counts", six})
                  .status,
              0);
    ExpectUsageError({"merge", fixed, six, "test"}, "merge: " + fixed + " and " + six);
    const std::string river = dir_.File("river.json");
    ASSERT_EQ(RunCli({"map", "--format", "csv", "--input", parts_[1], "--first-row", "400",
                      "--stage", "turn", "--save-counts", river})
                  .status,
              0);
    ExpectUsageError({"merge", fixed, river, "report", "categories"}, fixed + " and " + river);

    const std::string text = ReadFileBytes(fixed);
    const std::string cut = dir_.File("cut.json");
    WriteFileBytes(cut, text.substr(0, text.size() / 2));
    const CliResult r = RunCli({"merge", fixed, cut, "test"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("brevane-cli: merge: " + cut + ": not valid JSON (at byte ", 0), 0u)
        << r.err;
    ExpectUsageError({"merge", dir_.File("none.json"), "test"},
                     "merge: " + dir_.File("none.json") + ": No such file or directory");
    ExpectUsageError({"merge", path_, "test"}, "merge: " + path_ + ": not valid JSON");
    ExpectUsageError({"merge", fixed, "test", "--input", path_}, "--input does not go with merge");
    ExpectUsageError({"merge", fixed, "report", "categories", "--rotate"}, "--rotate");
    ExpectUsageError({"merge", fixed}, "name the command after the files");
    ExpectUsageError({"merge", "test"}, "give the counts files before the command");
    ExpectUsageError({"merge", fixed, "map", "--format", "csv", "--save-counts", cut},
                     "--save-counts does not go with merge");
}

TEST_F(MergeCommand, OptionsAreChecked) {
    for (const std::string bad : {"-1", "01", "x", "", "9223372036854775808"}) {
        ExpectUsageError({"report", "categories", "--input", path_, "--first-row", bad},
                         "invalid row index '" + bad + "'");
    }
    ExpectUsageError(
        {"report", "categories", "--shuffles", "2", "--first-row", "9223372036854775807"},
        "--first-row and --shuffles");
    ExpectUsageError({"hands", "--input", path_, "--save-counts", dir_.File("h.json")},
                     "unknown option '--save-counts'");
    ExpectUsageError({"map", "--input", path_, "--format", "csv", "--rotate"}, "--rotate");
    // A counts file that cannot be written fails before any output.
    const CliResult r = RunCli({"report", "suit", "Club", "--input", path_, "--save-counts",
                                dir_.File("no/such/folder.json")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("folder.json"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace brevane::test
