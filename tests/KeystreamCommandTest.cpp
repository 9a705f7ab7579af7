// brevane-cli keystream: the raw bytes behind the shuffles, and the test suites it feeds.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "AnalysisCliHelpers.h"
#include "support/CliRunner.h"
#include "support/ReferenceShuffle.h"
#include "support/Rfc6229.h"

namespace brevane {
namespace {

namespace fs = std::filesystem;
using test::CliResult;
using test::CountingKey;
using test::CountingKeyHex;
using test::ExpectUsageError;
using test::RunCli;
using test::TempDir;

// The first `n` bytes after the 256 dropped ones, from the literal RC4.
std::string ReferenceKeystream(std::size_t n) {
    test::ReferenceShuffler rc4(CountingKey());
    std::string bytes;
    for (std::size_t k = 0; k < n; ++k) bytes += static_cast<char>(rc4.NextByte());
    return bytes;
}

std::string FromHex(const std::string& hex) {
    std::string bytes;
    for (std::size_t k = 0; k + 1 < hex.size(); k += 2)
        bytes += static_cast<char>(std::stoi(hex.substr(k, 2), nullptr, 16));
    return bytes;
}

bool HaveProgram(const std::string& name) {
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

TEST(KeystreamCommandTest, Rfc6229VectorsFromOffset256) {
    for (const auto& vector : test::Rfc6229FromOffset256()) {
        const std::size_t last = vector.lines.back().offset + 16;
        const CliResult r =
            RunCli({"keystream", std::to_string(last - 256), "--key", vector.keyHex});
        ASSERT_EQ(r.status, 0) << r.err;
        ASSERT_EQ(r.out.size(), last - 256);
        for (const auto& line : vector.lines)
            EXPECT_EQ(r.out.substr(line.offset - 256, 16), FromHex(line.hex))
                << vector.keyHex << " at " << line.offset;
    }
}

TEST(KeystreamCommandTest, WritesExactlyTheBytesAskedFor) {
    // Around the writer's 64 KiB pieces.
    for (std::size_t n : {1u, 65535u, 65536u, 65537u, 300001u}) {
        const CliResult r = RunCli({"keystream", std::to_string(n), "--key", CountingKeyHex});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, ReferenceKeystream(n)) << n;
        EXPECT_TRUE(r.err.empty());
    }
}

TEST(KeystreamCommandTest, TheBytesAreThoseTheShufflesConsume) {
    // 1000 shuffles draw 102 bytes each, and a few more for redrawn pairs.
    test::ReferenceShuffler shuffler(CountingKey());
    std::array<std::int32_t, 52> deck{};
    for (int k = 0; k < 52; ++k) deck[k] = k + 1;
    for (int n = 0; n < 1000; ++n) shuffler.Shuffle(deck);
    const auto used = static_cast<std::size_t>(shuffler.BytesDrawn());
    ASSERT_GT(used, 102000u);
    const int next = shuffler.NextByte();

    const CliResult r = RunCli({"keystream", std::to_string(used + 1), "--key", CountingKeyHex});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.out.size(), used + 1);
    EXPECT_EQ(r.out, ReferenceKeystream(used + 1));
    // The byte after those of the shuffles is the one the next shuffle would draw first.
    EXPECT_EQ(static_cast<unsigned char>(r.out.back()), next);
}

TEST(KeystreamCommandTest, TimerSeededRunsDifferAndOutputFilesHoldTheSameBytes) {
    const CliResult a = RunCli({"keystream", "64"});
    const CliResult b = RunCli({"keystream", "64"});
    ASSERT_EQ(a.status, 0);
    ASSERT_EQ(a.out.size(), 64u);
    EXPECT_NE(a.out, b.out);

    TempDir dir;
    const std::string path = dir.File("stream.bin");
    test::WriteFileBytes(path, "old");
    const CliResult r = RunCli({"keystream", "1000", "--output", path, "--key", CountingKeyHex});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.out.empty());
    EXPECT_EQ(test::ReadFileBytes(path), ReferenceKeystream(1000));
}

TEST(KeystreamCommandTest, BadArgumentsAreNamedAndWriteNothing) {
    TempDir dir;
    const std::string out = dir.File("out.bin");
    for (const char* count : {"0", "-1", "1e6", "", "9223372036854775808", "18446744073709551615"})
        ExpectUsageError({"keystream", count, "--key", CountingKeyHex, "--output", out},
                         "invalid count '" + std::string(count) + "'");
    ExpectUsageError({"keystream", "9223372036854775807", "--key", "abc", "--output", out},
                     "'abc'");
    ExpectUsageError({"keystream"}, "BYTES");
    ExpectUsageError({"keystream", "5", "6"}, "'6'");
    ExpectUsageError({"keystream", "5", "--model", "riffle"}, "'--model'");
    ExpectUsageError({"keystream", "5", "--from-new-deck"}, "'--from-new-deck'");
    EXPECT_TRUE(fs::is_empty(dir.Path()));
}

TEST(KeystreamCommandTest, HelpDescribesTheCommand) {
    const CliResult r = RunCli({"keystream", "--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Usage: brevane-cli keystream BYTES [--key HEX] [--output FILE]"),
              std::string::npos);
    EXPECT_NE(RunCli({"--help"}).out.find("keystream BYTES"), std::string::npos);
}

// Runs `script` with bash (pipefail on), returning its status and standard output.
CliResult RunShell(const std::string& script) {
    TempDir dir;
    const std::string out = dir.File("out.txt");
    const std::string command =
        "bash -o pipefail -c '" + script + "' > " + out + " 2> " + dir.File("err.txt");
    CliResult r;
    const int status = std::system(command.c_str());
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = test::ReadFileBytes(out);
    r.err = test::ReadFileBytes(dir.File("err.txt"));
    return r;
}

TEST(KeystreamCommandTest, TheLargestCountStreamsUntilTheReaderStops) {
    // The reader stops after 20 MB; the command ends quietly with status 0.
    const CliResult r = RunShell(std::string(BREVANE_CLI_PATH) +
                                 " keystream 9223372036854775807 | head -c 20000000 | wc -c");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(std::stoll(r.out), 20000000);
    EXPECT_TRUE(r.err.empty()) << r.err;
}

TEST(KeystreamCommandTest, PipesIntoDieharder) {
    if (!HaveProgram("dieharder")) GTEST_SKIP() << "dieharder is not installed";
    // A short birthday-spacings run on standard input; dieharder stops reading when done.
    const CliResult r = RunShell(std::string(BREVANE_CLI_PATH) + " keystream 100000000 --key " +
                                 CountingKeyHex + " | dieharder -g 200 -d 0 -t 1000 -p 10");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("stdin_input_raw"), std::string::npos) << r.out;
    const std::size_t line = r.out.find("diehard_birthdays|");
    ASSERT_NE(line, std::string::npos) << r.out;
    const std::string result = r.out.substr(line, r.out.find('\n', line) - line);
    // The key is fixed, so the verdict is too.
    EXPECT_TRUE(result.find("PASSED") != std::string::npos ||
                result.find("WEAK") != std::string::npos)
        << result;
}

TEST(KeystreamCommandTest, EntReadsAKeystreamFile) {
    if (!HaveProgram("ent")) GTEST_SKIP() << "ent is not installed";
    TempDir dir;
    const std::string path = dir.File("stream.bin");
    ASSERT_EQ(RunCli({"keystream", "1000000", "--key", CountingKeyHex, "--output", path}).status,
              0);
    const CliResult r = RunShell("ent " + path);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("1000000 byte file"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Entropy = 7.99"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace brevane
