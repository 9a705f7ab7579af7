#include "cli/CliSupport.h"

#include <unistd.h>

#include <cstdio>

#include "os/TerminalText.h"

namespace brevane::cli {

void PrintError(std::string_view message) {
    const std::string line = "brevane-cli: " + PrintableText(message) + "\n";
    std::fputs(line.c_str(), stderr);
}

std::string Quoted(std::string_view text) {
    std::string quoted(1, '\'');
    quoted.append(text);
    quoted += '\'';
    return quoted;
}

std::optional<std::uint64_t> ParseCount(std::string_view text) {
    if (text.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (value > (UINT64_MAX - digit) / 10) return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

std::optional<std::uint64_t> ParsePositiveCount(std::string_view text) {
    const std::optional<std::uint64_t> value = ParseCount(text);
    if (value == 0u) return std::nullopt;
    return value;
}

std::optional<unsigned> ParseThreadCount(std::string_view text, std::string& error) {
    const auto n = ParsePositiveCount(text);
    if (!n || *n > MaxThreadCount || text[0] == '0') {
        error = "invalid thread count " + Quoted(text) + " (1 to " +
                std::to_string(MaxThreadCount) + ")";
        return std::nullopt;
    }
    return static_cast<unsigned>(*n);
}

OptionMatch TakeOption(Args args, std::size_t& i, std::string_view name, std::string_view& value) {
    const std::string_view arg = args[i];
    if (arg == name) {
        if (i + 1 >= args.size()) return OptionMatch::MissingValue;
        value = args[++i];
        return OptionMatch::Yes;
    }
    if (arg.size() > name.size() && arg.starts_with(name) && arg[name.size()] == '=') {
        value = arg.substr(name.size() + 1);
        return OptionMatch::Yes;
    }
    return OptionMatch::No;
}

bool IsHelpOption(std::string_view arg) {
    return arg == "--help" || arg == "-h";
}

bool WantsHelp(Args args) {
    for (const std::string_view arg : args) {
        if (arg == EndOfOptions) return false;
        if (IsHelpOption(arg)) return true;
    }
    return false;
}

void WriteToStdout(std::string_view text) {
    try {
        StdoutWriter out;
        out.Write(text.data(), text.size());
        out.Flush();
    } catch (const std::system_error& error) {
        if (!IsBrokenPipe(error)) throw;
    }
}

int WriteHelp(std::string_view text) {
    WriteToStdout(text);
    return ExitOk;
}

std::optional<ShuffleModel> ParseModelArgument(std::string_view text, std::string& error) {
    ModelParseFailure why;
    const auto model = ParseShuffleModel(text, why);
    if (!model) error = ModelParseMessage(why, Quoted(text));
    return model;
}

StdoutWriter::StdoutWriter() : FdWriter(STDOUT_FILENO, "standard output") {}

bool IsBrokenPipe(const std::system_error& error) {
    return error.code() == std::errc::broken_pipe;
}

}  // namespace brevane::cli
