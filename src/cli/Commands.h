#pragma once

#include <span>
#include <string_view>

namespace brevane::cli {

// Exit statuses shared by every command.
inline constexpr int ExitOk = 0;
inline constexpr int ExitFailure = 1;  // the system failed us: a file could not be written, ...
inline constexpr int ExitUsage = 2;    // bad arguments or bad input data

// Each command receives the arguments after its own name.
using Args = std::span<const std::string_view>;

int RunShuffleCommand(Args args);
int RunKeystreamCommand(Args args);
int RunEvalCommand(Args args);
int RunReportCommand(Args args);
int RunHandsCommand(Args args);
int RunTestCommand(Args args);
int RunMapCommand(Args args);
int RunMergeCommand(Args args);

}  // namespace brevane::cli
