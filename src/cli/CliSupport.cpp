#include "cli/CliSupport.h"

#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>

#include "random/PRNG.h"

namespace brevane::cli {

void PrintError(std::string_view message) {
    std::fprintf(stderr, "brevane-cli: %.*s\n", static_cast<int>(message.size()), message.data());
}

std::string Quoted(std::string_view text) {
    std::string quoted(1, '\'');
    quoted.append(text);
    quoted += '\'';
    return quoted;
}

std::optional<std::uint64_t> ParsePositiveCount(std::string_view text) {
    if (text.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (value > (UINT64_MAX - digit) / 10) return std::nullopt;
        value = value * 10 + digit;
    }
    if (value == 0) return std::nullopt;
    return value;
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

bool PrepareGenerator(std::optional<std::string_view> keyHex) {
    if (!keyHex) {
        TheShuffleGenerator().SeedGenerator();
        return true;
    }
    GeneratorKey key;
    if (!ParseGeneratorKey(*keyHex, key)) {
        PrintError("invalid key " + Quoted(*keyHex) + ": expected 64 hexadecimal digits");
        return false;
    }
    TheShuffleGenerator().SetKey(key);
    return true;
}

std::optional<ShuffleModel> ParseModelArgument(std::string_view text, std::string& error) {
    ModelParseError why{};
    const auto model = ParseShuffleModel(text, why);
    if (!model) error = ModelParseMessage(why, Quoted(text));
    return model;
}

StdoutWriter::StdoutWriter() : FdWriter(STDOUT_FILENO, "standard output") {
    std::signal(SIGPIPE, SIG_IGN);
}

bool IsBrokenPipe(const std::system_error& error) {
    return error.code() == std::errc::broken_pipe;
}

}  // namespace brevane::cli
