#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "cli/Commands.h"
#include "models/ShuffleModel.h"
#include "os/OutputFile.h"

namespace brevane::cli {

// Writes "brevane-cli: <message>" and a line end to standard error, with control characters
// in the message shown as '?' (PrintableText), so it stays one line whatever it quotes.
void PrintError(std::string_view message);

// `text` in single quotes, for naming a bad value in a message.
std::string Quoted(std::string_view text);

// Decimal digits only (no sign, no blanks), at most 2^64 - 1; 0 included.
std::optional<std::uint64_t> ParseCount(std::string_view text);
// A COUNT argument: ParseCount's, at least 1.
std::optional<std::uint64_t> ParsePositiveCount(std::string_view text);

// A --threads value: 1 to MaxThreadCount, no leading zero. A bad one gives nullopt and sets
// `error` to a one-line message naming it.
inline constexpr unsigned MaxThreadCount = 1024;
std::optional<unsigned> ParseThreadCount(std::string_view text, std::string& error);

// Reads "--name VALUE" or "--name=VALUE" at args[i]. Yes: `value` is set and i points at the
// last argument used. MissingValue: "--name" came last.
enum class OptionMatch { No, Yes, MissingValue };
OptionMatch TakeOption(Args args, std::size_t& i, std::string_view name, std::string_view& value);

bool IsHelpOption(std::string_view arg);

// The argument "--", after which every argument is an operand, even one starting with '-'.
inline constexpr std::string_view EndOfOptions = "--";

// Whether --help or -h comes before any "--".
bool WantsHelp(Args args);

// Writes `text` to standard output. A reader that has gone away ends it quietly; any other
// write failure throws std::system_error, so the caller exits 1.
void WriteToStdout(std::string_view text);

// Writes a help or version text as WriteToStdout does; returns ExitOk.
int WriteHelp(std::string_view text);

// A --model value. A bad one gives nullopt and sets `error` to a one-line message naming it.
std::optional<ShuffleModel> ParseModelArgument(std::string_view text, std::string& error);

// Standard output as a buffered writer. main() ignores SIGPIPE, so a reader that goes away
// makes writes fail with EPIPE (see IsBrokenPipe) instead of ending the process.
class StdoutWriter : public FdWriter {
  public:
    StdoutWriter();
};

// Whether an error is the reader of standard output having gone away (`| head`).
bool IsBrokenPipe(const std::system_error& error);

}  // namespace brevane::cli
