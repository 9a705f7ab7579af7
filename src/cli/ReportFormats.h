#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/ReportTable.h"
#include "cli/Commands.h"
#include "cli/ResultJson.h"

namespace brevane::cli {

enum class OutputFormat { Text, Csv, Json, Html };

// "text", "csv", "json" or "html".
std::string_view OutputFormatName(OutputFormat format);

struct FormatChoice {
    OutputFormat format = OutputFormat::Text;
    std::vector<std::string_view> rest;  // the other arguments, in order
};

// Takes "--format NAME" (the last one counts) out of the arguments before any "--", NAME being
// one of `allowed`. On a bad or missing name prints a one-line usage error naming `command` and
// returns nullopt.
std::optional<FormatChoice> TakeFormatOption(std::string_view command, Args args,
                                             std::initializer_list<OutputFormat> allowed);

// The report as the format writes it, with a line end after every line: the text lines with
// the locale's `separator`, the CSV of ReportCsvText, or ReportJson on one line.
std::string RenderReport(const ReportTable& table, OutputFormat format, std::string_view separator,
                         const Json& source);

}  // namespace brevane::cli
