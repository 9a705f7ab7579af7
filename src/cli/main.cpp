#include <clocale>
#include <csignal>
#include <cstdio>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/RunSource.h"
#include "os/SignalCleanup.h"

namespace {

constexpr const char* UsageText =
    "Usage: brevane-cli COMMAND [ARGS]\n"
    "\n"
    "Commands:\n"
    "  shuffle COUNT [--key HEX] [--output FILE]   make COUNT shuffles in the export format\n"
    "    [--model MODEL] [--from-new-deck]         by another shuffle model, or each from a\n"
    "                                              new deck\n"
    "  keystream BYTES [--key HEX]                 write BYTES raw bytes of the keystream\n"
    "    [--output FILE]                           behind the shuffles\n"
    "  eval CARD CARD [CARD ...] | eval -          evaluate a seat's hand\n"
    "  report suit|rank|card|position|categories   print a report over a list of shuffles\n"
    "  hands [--class CAPTION] [--from N]          list the hands of a seat\n"
    "  test [--alpha A] [--format text|csv|json]   fairness tests with p-values and a verdict\n"
    "    [--format html --output FILE]             or the evaluation report as one web page\n"
    "  map [--view cards|moves] --output FILE      the bias map of the rows, PNG or SVG\n"
    "  merge FILE... report|test|map ...           add up counts saved with --save-counts\n"
    "\n"
    "report and hands read --input FILE, or make --shuffles COUNT [--key HEX] [--model MODEL]\n"
    "[--from-new-deck] as shuffle does.\n"
    "\n"
    "While they work, shuffle, keystream, report, hands, test and map show a progress line on\n"
    "standard error when it is a terminal; --quiet turns it off. report, hands, test and map\n"
    "take --threads N (default: the number of cores).\n"
    "\n"
    "Options:\n"
    "  --help      show this help\n"
    "  --version   show the version\n";

}  // namespace

int main(int argc, char** argv) {
    using namespace brevane::cli;
    // Percentages take the decimal separator of the user's locale.
    std::setlocale(LC_ALL, "");
    // A reader that goes away (`| head`) makes writes fail with EPIPE, which every command
    // takes as the end of its output, instead of ending the process.
    std::signal(SIGPIPE, SIG_IGN);
    brevane::RemoveTemporaryFilesOnSignals();
    std::vector<std::string_view> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::fputs(UsageText, stderr);
        return ExitUsage;
    }
    const std::string_view command = args.front();
    const Args rest(args.data() + 1, args.size() - 1);
    try {
        if (command == "--help" || command == "-h" || command == "help")
            return WriteHelp(UsageText);
        if (command == "--version") return WriteHelp(ProgramText() + "\n");
        if (command == "shuffle") return RunShuffleCommand(rest);
        if (command == "keystream") return RunKeystreamCommand(rest);
        if (command == "eval") return RunEvalCommand(rest);
        if (command == "report") return RunReportCommand(rest);
        if (command == "hands") return RunHandsCommand(rest);
        if (command == "test") return RunTestCommand(rest);
        if (command == "map") return RunMapCommand(rest);
        if (command == "merge") return RunMergeCommand(rest);
        PrintError("unknown command " + Quoted(command) + " (see --help)");
        return ExitUsage;
    } catch (const std::exception& e) {
        PrintError(e.what());
        return ExitFailure;
    }
}
