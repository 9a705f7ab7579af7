#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "cards/Cards.h"
#include "support/CliRunner.h"
#include "support/ReferenceModels.h"
#include "support/ReferenceShuffle.h"
#include "support/TinyDisk.h"

namespace brevane {
namespace {

namespace fs = std::filesystem;
using test::CliResult;
using test::CountingKeyHex;
using test::ReadFileBytes;
using test::RunCli;
using test::TempDir;

// The expected output written without the program's code: literal RC4, the bounded draw and
// Fisher-Yates over one continuing deck, names joined by spaces, CR LF.
std::string ReferenceOutput(const std::array<std::uint8_t, 32>& key, int count) {
    test::ReferenceShuffler shuffler(key);
    std::array<std::int32_t, 52> deck;
    for (int k = 0; k < 52; ++k) deck[k] = k + 1;
    std::string out;
    for (int n = 0; n < count; ++n) {
        shuffler.Shuffle(deck);
        for (int k = 0; k < 52; ++k) {
            if (k > 0) out += ' ';
            out += CardName(deck[k]);
        }
        out += "\r\n";
    }
    return out;
}

void ExpectUsageError(const std::vector<std::string>& args, const std::string& named) {
    const CliResult r = RunCli(args);
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_TRUE(r.out.empty());
    EXPECT_NE(r.err.find(named), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "one line: " << r.err;
}

TEST(ShuffleCommandTest, KeyedOutputMatchesTheLiteralReference) {
    const CliResult r = RunCli({"shuffle", "3", "--key", CountingKeyHex});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, ReferenceOutput(test::CountingKey(), 3));
    EXPECT_TRUE(r.err.empty());

    // The same key in capitals, in the --key=HEX form, after COUNT: the same bytes again.
    std::string upper = CountingKeyHex;
    for (char& c : upper) c = static_cast<char>(std::toupper(c));
    const CliResult many = RunCli({"shuffle", "--key=" + upper, "2500"});
    ASSERT_EQ(many.status, 0) << many.err;
    EXPECT_EQ(many.out, ReferenceOutput(test::CountingKey(), 2500));
}

// The rows of the literal model reference in the export format.
std::string ReferenceModelOutput(const std::string& model, int count, bool fromNewDeck) {
    std::string out;
    for (const auto& row :
         test::ReferenceModelRows(test::CountingKey(), model, count, fromNewDeck)) {
        for (int k = 0; k < 52; ++k) {
            if (k > 0) out += ' ';
            out += CardName(row[k]);
        }
        out += "\r\n";
    }
    return out;
}

TEST(ShuffleCommandTest, ModelsMatchTheirLiteralReference) {
    const struct {
        const char* given;
        const char* meant;
    } models[] = {{"fisher-yates", "fisher-yates"},
                  {"naive-swap", "naive-swap"},
                  {"byte-modulo", "byte-modulo"},
                  {"riffle", "riffle:7"},
                  {"riffle:2", "riffle:2"},
                  {"overhand", "overhand:10"},
                  {"overhand:1000", "overhand:1000"},
                  {"top-to-random", "top-to-random:236"},
                  {"top-to-random:1", "top-to-random:1"}};
    for (const auto& m : models) {
        for (const bool fromNewDeck : {false, true}) {
            std::vector<std::string> args{"shuffle",      "40",      "--key",
                                          CountingKeyHex, "--model", m.given};
            if (fromNewDeck) args.push_back("--from-new-deck");
            const CliResult r = RunCli(args);
            ASSERT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(r.out, ReferenceModelOutput(m.meant, 40, fromNewDeck))
                << m.given << (fromNewDeck ? " --from-new-deck" : "");
        }
    }
    // The default model is fisher-yates, over a count that spans several of the writer's
    // batches; --model=MODEL reads the same.
    const CliResult plain = RunCli({"shuffle", "9000", "--key", CountingKeyHex});
    const CliResult named =
        RunCli({"shuffle", "9000", "--model=fisher-yates", "--key", CountingKeyHex});
    EXPECT_EQ(plain.out, ReferenceOutput(test::CountingKey(), 9000));
    EXPECT_EQ(named.out, plain.out);
}

TEST(ShuffleCommandTest, BadModelsAreNamedAndWriteNothing) {
    TempDir dir;
    const std::string out = dir.File("out.txt");
    for (const char* model :
         {"bogus", "Riffle", "riffle:0", "riffle:1001", "overhand:x",
          "top-to-random:", "naive-swap:3", "byte-modulo:1", "fisher-yates:7"}) {
        ExpectUsageError({"shuffle", "3", "--model", model, "--key", CountingKeyHex},
                         std::string("'") + model + "'");
        ExpectUsageError({"shuffle", "3", "--output", out, "--model", model},
                         std::string("'") + model + "'");
    }
    ExpectUsageError({"shuffle", "3", "--model"}, "--model");
    EXPECT_TRUE(fs::is_empty(dir.Path()));
}

TEST(ShuffleCommandTest, TimerSeededRunsDiffer) {
    const CliResult a = RunCli({"shuffle", "5"});
    const CliResult b = RunCli({"shuffle", "5"});
    ASSERT_EQ(a.status, 0);
    ASSERT_EQ(b.status, 0);
    EXPECT_EQ(a.out.size(), 5u * 157);
    EXPECT_NE(a.out, b.out);
}

TEST(ShuffleCommandTest, OutputFileHoldsTheSameBytesAndReplacesTheOldFile) {
    TempDir dir;
    const std::string path = dir.File("out.txt");
    test::WriteFileBytes(path, "old");
    const CliResult r = RunCli({"shuffle", "7", "--output", path, "--key", CountingKeyHex});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.out.empty());
    EXPECT_EQ(ReadFileBytes(path), ReferenceOutput(test::CountingKey(), 7));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), {}), 1);
}

TEST(ShuffleCommandTest, BadCountsAreNamed) {
    for (const char* count : {"0", "-1", "1.5", "12x", "", " 3", "+3", "0x10",
                              "18446744073709551616", "99999999999999999999999"})
        ExpectUsageError({"shuffle", count, "--key", CountingKeyHex},
                         "invalid count '" + std::string(count) + "'");
    // The largest 64-bit count is accepted as a count (checked with a bad key, so nothing runs).
    ExpectUsageError({"shuffle", "18446744073709551615", "--key", "x"}, "'x'");
}

TEST(ShuffleCommandTest, BadKeysAreNamed) {
    const std::string key = CountingKeyHex;
    for (const std::string& bad :
         {key.substr(1), key + "0", key.substr(0, 63) + "g", std::string("")})
        ExpectUsageError({"shuffle", "3", "--key", bad}, "'" + bad + "'");
}

TEST(ShuffleCommandTest, BadArgumentsWriteNoOutputFile) {
    TempDir dir;
    ExpectUsageError({"shuffle", "12x", "--output", dir.File("out.txt")}, "'12x'");
    ExpectUsageError({"shuffle", "3", "--key", "abc", "--output", dir.File("out.txt")}, "'abc'");
    EXPECT_TRUE(fs::is_empty(dir.Path()));
}

TEST(ShuffleCommandTest, BadArgumentsAreUsageErrors) {
    ExpectUsageError({"shuffle"}, "COUNT");
    ExpectUsageError({"shuffle", "3", "4"}, "'4'");
    ExpectUsageError({"shuffle", "3", "--colour"}, "'--colour'");
    ExpectUsageError({"shuffle", "3", "--key"}, "--key");
    ExpectUsageError({"shuffle", "3", "--output"}, "--output");
}

TEST(ShuffleCommandTest, HelpDescribesTheCommand) {
    const CliResult r = RunCli({"shuffle", "--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Usage: brevane-cli shuffle COUNT [--key HEX] [--output FILE]"),
              std::string::npos);
    for (const char* option : {"--model MODEL", "--from-new-deck", "top-to-random[:K]"})
        EXPECT_NE(r.out.find(option), std::string::npos) << option;
}

void ExpectOutputFailure(const std::string& path, const std::string& text, int count = 3) {
    const CliResult r = RunCli({"shuffle", std::to_string(count), "--output", path});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_TRUE(r.out.empty());
    EXPECT_NE(r.err.find(text), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(path), std::string::npos) << r.err;
}

TEST(ShuffleCommandTest, UnwritableOutputsFailAndLeaveNoFile) {
    TempDir dir;
    ExpectOutputFailure(dir.File("missing/out.txt"), "No such file or directory");
    fs::create_directory(dir.File("folder"));
    ExpectOutputFailure(dir.File("folder"), "Is a directory");
    EXPECT_TRUE(fs::is_empty(dir.File("folder")));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), {}), 1);
}

TEST(ShuffleCommandTest, FullDiskFailsAndKeepsTheOldFile) {
    TempDir dir;
    const std::string folder = dir.File("disk");
    fs::create_directory(folder);
    test::TinyDisk disk(folder, "64k");
    if (!disk.Mounted()) GTEST_SKIP() << "cannot mount a small tmpfs here";
    test::WriteFileBytes(folder + "/out.txt", "old\r\n");
    ExpectOutputFailure(folder + "/out.txt", "No space left on device", 10000);
    EXPECT_EQ(ReadFileBytes(folder + "/out.txt"), "old\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 1);
}

TEST(ShuffleCommandTest, ClosedReaderEndsQuietly) {
    int out[2], err[2];
    ASSERT_EQ(pipe(out), 0);
    ASSERT_EQ(pipe(err), 0);
    close(out[0]);  // nobody reads standard output
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    posix_spawn_file_actions_addclose(&actions, err[0]);
    std::string program = BREVANE_CLI_PATH, command = "shuffle", count = "100000";
    char* argv[] = {program.data(), command.data(), count.data(), nullptr};
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(err[1]);
    std::string errors;
    char buffer[256];
    for (ssize_t n; (n = read(err[0], buffer, sizeof buffer)) > 0;) errors.append(buffer, n);
    close(err[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by a signal";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(errors.empty()) << errors;
}

}  // namespace
}  // namespace brevane
