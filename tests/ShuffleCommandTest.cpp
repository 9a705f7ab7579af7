#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <thread>

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
    } models[] = {
        {"fisher-yates", "fisher-yates"},
        {"naive-swap", "naive-swap"},
        {"byte-modulo", "byte-modulo"},
        {"riffle", "riffle:7"},
        {"riffle:2", "riffle:2"},
        {"overhand", "overhand:10"},
        {"overhand:1000", "overhand:1000"},
        {"top-to-random", "top-to-random:236"},
        {"top-to-random:1", "top-to-random:1"},
        {"shelf", "shelf:10"},
        {"shelf:2", "shelf:2"},
        {"strip", "strip:5"},
        {"strip:52", "strip:52"},
        {"cut", "cut"},
        {"riffle:1+riffle:1+strip:5+riffle:1+cut", "riffle:1+riffle:1+strip:5+riffle:1+cut"},
        {"shelf+riffle+cut", "shelf:10+riffle:7+cut"}};
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

// The rows are made on a thread of their own from two threads on, while another writes them:
// every thread count gives the reference's bytes, over several of the writer's batches ending
// inside one, for the overlapped fisher-yates draw and for a model.
TEST(ShuffleCommandTest, EveryThreadCountWritesTheReferenceBytes) {
    const std::string fisherYates = ReferenceOutput(test::CountingKey(), 9000);
    const std::string riffles = ReferenceModelOutput("riffle:2", 4100, true);
    for (const char* threads : {"1", "2", "7"}) {
        const CliResult plain =
            RunCli({"shuffle", "9000", "--key", CountingKeyHex, "--threads", threads});
        ASSERT_EQ(plain.status, 0) << plain.err;
        EXPECT_TRUE(plain.out == fisherYates) << "--threads " << threads;
        const CliResult model =
            RunCli({"shuffle", "4100", "--key", CountingKeyHex, "--model", "riffle:2",
                    "--from-new-deck", "--threads=" + std::string(threads)});
        ASSERT_EQ(model.status, 0) << model.err;
        EXPECT_TRUE(model.out == riffles) << "--threads " << threads;
    }
    TempDir dir;
    const std::string path = dir.File("out.txt");
    ASSERT_EQ(
        RunCli({"shuffle", "9000", "--key", CountingKeyHex, "--threads", "2", "--output", path})
            .status,
        0);
    EXPECT_TRUE(ReadFileBytes(path) == fisherYates);
}

TEST(ShuffleCommandTest, BadThreadCountsAreUsageErrors) {
    for (const std::string bad : {"0", "-1", "x", "1025", "", "01", "2.5"}) {
        ExpectUsageError({"shuffle", "3", "--key", CountingKeyHex, "--threads", bad},
                         "invalid thread count '" + bad + "'");
    }
    ExpectUsageError({"shuffle", "3", "--threads"}, "--threads needs a value");
    // Every --threads is checked, and keystream, which has one thread only, takes none.
    ExpectUsageError({"shuffle", "3", "--threads", "0", "--threads", "2"}, "'0'");
    ExpectUsageError({"keystream", "3", "--threads", "2"}, "'--threads'");
}

TEST(ShuffleCommandTest, BadModelsAreNamedAndWriteNothing) {
    TempDir dir;
    const std::string out = dir.File("out.txt");
    std::string seventeen = "cut";
    for (int k = 1; k < 17; ++k) seventeen += "+cut";
    for (const std::string& model : std::vector<std::string>{
             "bogus", "Riffle", "riffle:0", "riffle:1001", "overhand:x", "top-to-random:",
             "naive-swap:3", "byte-modulo:1", "fisher-yates:7", "shelf:1", "shelf:101", "strip:1",
             "strip:53", "cut:1", "riffle++cut", "cut+", "+cut", "riffle+shuffle", seventeen}) {
        ExpectUsageError({"shuffle", "3", "--model", model, "--key", CountingKeyHex},
                         "'" + model + "'");
        ExpectUsageError({"shuffle", "3", "--output", out, "--model", model}, "'" + model + "'");
    }
    // The message says what is wrong with which step.
    ExpectUsageError({"shuffle", "3", "--model", "riffle+shelf:101"},
                     "'riffle+shelf:101': in step 2, S must be a whole number from 2 to 100");
    ExpectUsageError({"shuffle", "3", "--model", "riffle++cut"}, "step 2 is empty");
    ExpectUsageError({"shuffle", "3", "--model", seventeen}, "more than 16 steps");
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
    for (const char* option : {"--model MODEL", "--from-new-deck", "top-to-random[:K]", "shelf[:S]",
                               "strip[:P]", "cut", "MODEL+MODEL"})
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

TEST(ShuffleCommandTest, EveryKeyIsChecked) {
    ExpectUsageError({"shuffle", "3", "--key", "bad", "--key", CountingKeyHex}, "'bad'");
    ExpectUsageError({"shuffle", "3", "--key=" + CountingKeyHex, "--key=12"}, "'12'");
    // The last key is the one used.
    const CliResult r =
        RunCli({"shuffle", "2", "--key", std::string(64, '0'), "--key", CountingKeyHex});
    EXPECT_EQ(r.out, ReferenceOutput(test::CountingKey(), 2));
}

TEST(ShuffleCommandTest, DoubleDashEndsTheOptions) {
    const CliResult r = RunCli({"shuffle", "--key", CountingKeyHex, "--", "2"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, ReferenceOutput(test::CountingKey(), 2));
    ExpectUsageError({"shuffle", "--", "--help"}, "invalid count '--help'");
    ExpectUsageError({"shuffle", "--", "--key"}, "invalid count '--key'");
    ExpectUsageError({"shuffle", "3", "--", "--"}, "unexpected argument '--'");
}

// The script's output file, after running `script` in `dir`.
std::string ShellFile(const TempDir& dir, const std::string& script, const std::string& file) {
    const CliResult r = test::RunShell("cd '" + dir.Path() + "' && " + script);
    EXPECT_EQ(r.status, 0) << script << ": " << r.err;
    EXPECT_EQ(r.err, "") << script;
    return ReadFileBytes(dir.File(file));
}

TEST(ShuffleCommandTest, DescriptorPathsWriteWhereTheShellPointedThem) {
    TempDir dir;
    const std::string one = ReferenceOutput(test::CountingKey(), 1);
    const std::string shuffle = "\"$CLI\" shuffle 1 --key " + CountingKeyHex + " --output ";
    for (const char* path : {"/dev/stdout", "/dev/fd/1", "/proc/self/fd/1"}) {
        EXPECT_EQ(ShellFile(dir, "{ echo header; " + shuffle + path + "; echo footer; } > f.txt",
                            "f.txt"),
                  "header\n" + one + "footer\n")
            << path;
    }
    EXPECT_EQ(
        ShellFile(dir, "echo log > log.txt && " + shuffle + "/dev/stdout >> log.txt", "log.txt"),
        "log\n" + one);
    EXPECT_EQ(ShellFile(dir, shuffle + "/dev/fd/3 3>> log.txt", "log.txt"), "log\n" + one + one);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), {}), 2);
}

TEST(ShuffleCommandTest, DescriptorPathsThatCannotTakeOutputFail) {
    TempDir dir;
    test::WriteFileBytes(dir.File("in.txt"), "input\n");
    const CliResult readOnly =
        test::RunShell("\"$CLI\" shuffle 3 --output /dev/stdin < '" + dir.File("in.txt") + "'");
    EXPECT_EQ(readOnly.status, 1);
    EXPECT_EQ(readOnly.err, "brevane-cli: /dev/stdin: Bad file descriptor\n");
    EXPECT_EQ(ReadFileBytes(dir.File("in.txt")), "input\n");
    ExpectOutputFailure("/dev/fd/987", "No such file or directory");
}

// A user who may not write a file may not have it replaced either. As root the check runs the
// program as "nobody", since root may write any file.
TEST(ShuffleCommandTest, ReadOnlyOutputIsRefused) {
    TempDir dir;
    const std::string path = dir.File("locked.txt");
    test::WriteFileBytes(path, "old\n");
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    test::CliSetup setup;
    if (geteuid() == 0) {
        ASSERT_EQ(chown(dir.Path().c_str(), test::NobodyUid, test::NobodyUid), 0);
        ASSERT_EQ(chown(path.c_str(), test::NobodyUid, test::NobodyUid), 0);
        setup.uid = test::NobodyUid;
    }
    const CliResult r = RunCli({"shuffle", "3", "--output", path}, {}, setup);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.err, "brevane-cli: " + path + ": Permission denied\n");
    EXPECT_EQ(ReadFileBytes(path), "old\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), {}), 1);
}

TEST(ShuffleCommandTest, FifoWhoseReaderStopsEndsQuietly) {
    TempDir dir;
    const CliResult r =
        test::RunShell("cd '" + dir.Path() +
                       "' && mkfifo pipe || exit 1; "
                       "{ \"$CLI\" shuffle 1000000 --output pipe; echo \"status $?\"; } & "
                       "head -c 100 pipe > /dev/null; wait");
    EXPECT_EQ(r.out, "status 0\n");
    EXPECT_EQ(r.err, "");
}

// Bytes the process has handed to write calls so far, from /proc/PID/io.
long long BytesWritten(pid_t pid) {
    std::ifstream io("/proc/" + std::to_string(pid) + "/io");
    std::string field;
    long long value = 0;
    while (io >> field >> value) {
        if (field == "wchar:") return value;
    }
    return -1;
}

TEST(ShuffleCommandTest, InterruptLeavesNoTemporaryFile) {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        TempDir dir;
        const std::string path = dir.File("out.txt");
        test::WriteFileBytes(path, "old\n");
        std::string program = BREVANE_CLI_PATH, command = "shuffle", count = "100000000",
                    option = "--output";
        char* argv[] = {program.data(),
                        command.data(),
                        count.data(),
                        option.data(),
                        const_cast<char*>(path.c_str()),
                        nullptr};
        pid_t pid = 0;
        ASSERT_EQ(posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ), 0);
        // Wait until several MB are out, so the signal comes in the middle of the writing.
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (BytesWritten(pid) < (8 << 20) && std::chrono::steady_clock::now() < limit)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ASSERT_GE(BytesWritten(pid), 8 << 20);
        kill(pid, signal);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
        EXPECT_EQ(WTERMSIG(status), signal);
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), {}), 1) << signal;
        EXPECT_EQ(ReadFileBytes(path), "old\n");
    }
}

}  // namespace
}  // namespace brevane
