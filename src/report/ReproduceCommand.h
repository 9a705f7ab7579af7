#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "report/EvaluationReport.h"

namespace brevane {

// `text` as one word of a POSIX shell: as it is when it holds only letters, digits and
// "_-.,/:=+@%", otherwise in single quotes (a quote inside as '\'').
std::string ShellWord(std::string_view text);

// The shell commands that make the report again, one per line:
// - generated rows: `brevane-cli test --shuffles N --model M --key K` (the key the rows were
//   made with, a timer's included) with --from-new-deck and --first-row as they were;
// - a file: `sha256sum FILE`, whose digest should be the report's, then `brevane-cli test
//   --input FILE`;
// - a merge: `brevane-cli merge SHARD... test`;
// - no source (the window's list): the test of the list once saved to "shuffles.txt";
// each with the seat view, --alpha and `--format html --output` the report's file.
std::vector<std::string> ReproduceCommands(const ShuffleCounts& counts,
                                           const FairnessResult& result,
                                           const ReportProvenance& provenance);

}  // namespace brevane
