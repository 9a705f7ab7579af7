#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/ProgressLine.h"
#include "cli/StreamCommand.h"
#include "random/PRNG.h"

namespace brevane::cli {

namespace {

constexpr const char* KeystreamHelp =
    "Usage: brevane-cli keystream BYTES [--key HEX] [--output FILE] [--quiet]\n"
    "\n"
    "Writes BYTES raw bytes of the generator's keystream, exactly the bytes that the shuffles\n"
    "of a fresh run with the same key would consume, starting with the first byte after the\n"
    "256 dropped ones. The output is meant for random number test suites, for example\n"
    "  brevane-cli keystream 100000000 | dieharder -g 200 -d 0\n"
    "\n"
    "  BYTES          how many bytes: a whole number from 1 to 9223372036854775807\n"
    "  --key HEX      key the generator with 64 hexadecimal digits (32 bytes) instead of\n"
    "                 seeding it from the timer\n"
    "  --output FILE  write to FILE instead of standard output; FILE is replaced only once\n"
    "                 every byte is written\n"
    "  --quiet        no progress line on standard error (shown only when it is a terminal)\n"
    "  --help         show this help\n";

constexpr std::uint64_t MaxBytes = INT64_MAX;
constexpr std::size_t BytesPerClaim = std::size_t{1} << 16;

void WriteKeystream(std::uint64_t bytes, bool quiet, FdWriter& out) {
    WorkProgress progress(bytes);
    ProgressLine progressLine(progress, "keystream", "bytes", quiet);
    ShuffleGenerator& generator = TheShuffleGenerator();
    while (bytes > 0) {
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(bytes, BytesPerClaim));
        generator.NextRandomBytes(reinterpret_cast<std::uint8_t*>(out.Claim(n)), n);
        bytes -= n;
        progress.Advance(n);
    }
}

}  // namespace

int RunKeystreamCommand(Args args) {
    if (WantsHelp(args)) return WriteHelp(KeystreamHelp);
    const auto options = ParseStreamArgs({"keystream", "BYTES", MaxBytes, false}, args);
    if (!options) return ExitUsage;
    return RunStream(*options,
                     [&](FdWriter& out) { WriteKeystream(options->count, options->quiet, out); });
}

}  // namespace brevane::cli
