#include <cstdio>
#include <exception>
#include <string_view>
#include <vector>

#include "cli/Commands.h"

namespace {

constexpr const char* UsageText =
    "Usage: brevane-cli COMMAND [ARGS]\n"
    "\n"
    "Commands:\n"
    "  shuffle COUNT [--key HEX] [--output FILE]   make COUNT shuffles in the export format\n"
    "  eval CARD CARD [CARD ...] | eval -          evaluate a seat's hand\n"
    "  report suit|rank|card|position|categories   print a report over a list of shuffles\n"
    "  hands [--class CAPTION] [--from N]          list the hands of a seat\n"
    "  test [--alpha A] [--format text|json]       fairness tests with p-values and a verdict\n"
    "  map [--view cards|moves] --output FILE      the bias map of the rows, PNG or SVG\n"
    "\n"
    "Options:\n"
    "  --help      show this help\n"
    "  --version   show the version\n";

}  // namespace

int main(int argc, char** argv) {
    using namespace brevane::cli;
    std::vector<std::string_view> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::fputs(UsageText, stderr);
        return ExitUsage;
    }
    const std::string_view command = args.front();
    const Args rest(args.data() + 1, args.size() - 1);
    try {
        if (command == "--help" || command == "-h" || command == "help") {
            std::fputs(UsageText, stdout);
            return ExitOk;
        }
        if (command == "--version") {
            std::printf("brevane-cli %s\n", BREVANE_VERSION);
            return ExitOk;
        }
        if (command == "shuffle") return RunShuffleCommand(rest);
        if (command == "eval") return RunEvalCommand(rest);
        if (command == "report") return RunReportCommand(rest);
        if (command == "hands") return RunHandsCommand(rest);
        if (command == "test") return RunTestCommand(rest);
        if (command == "map") return RunMapCommand(rest);
        std::fprintf(stderr, "brevane-cli: unknown command '%.*s' (see --help)\n",
                     static_cast<int>(command.size()), command.data());
        return ExitUsage;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "brevane-cli: %s\n", e.what());
        return ExitFailure;
    }
}
