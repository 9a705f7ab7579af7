#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "analysis/OutputFile.h"
#include "cli/Commands.h"
#include "models/ShuffleModel.h"

namespace brevane::cli {

// Writes "brevane-cli: <message>" and a line end to standard error.
void PrintError(std::string_view message);

// `text` in single quotes, for naming a bad value in a message.
std::string Quoted(std::string_view text);

// A COUNT argument: decimal digits only (no sign, no blanks), at least 1, at most 2^64 - 1.
std::optional<std::uint64_t> ParsePositiveCount(std::string_view text);

// Reads "--name VALUE" or "--name=VALUE" at args[i]. Yes: `value` is set and i points at the
// last argument used. MissingValue: "--name" came last.
enum class OptionMatch { No, Yes, MissingValue };
OptionMatch TakeOption(Args args, std::size_t& i, std::string_view name, std::string_view& value);

bool IsHelpOption(std::string_view arg);

// Keys the process's generator with `keyHex` (64 hexadecimal digits), or seeds it from the
// timer when there is none. A bad key prints an error naming it and gives false.
bool PrepareGenerator(std::optional<std::string_view> keyHex);

// A --model value. A bad one gives nullopt and sets `error` to a one-line message naming it.
std::optional<ShuffleModel> ParseModelArgument(std::string_view text, std::string& error);

// Standard output as a buffered writer. A reader that goes away makes writes fail with EPIPE
// instead of ending the process.
class StdoutWriter : public FdWriter {
  public:
    StdoutWriter();
};

// Whether an error is the reader of standard output having gone away (`| head`).
bool IsBrokenPipe(const std::system_error& error);

}  // namespace brevane::cli
