#include "cli/ReportFormats.h"

#include "analysis/ReportLines.h"
#include "cli/AnalysisOptions.h"
#include "cli/CliSupport.h"

namespace brevane::cli {

std::string_view OutputFormatName(OutputFormat format) {
    switch (format) {
        case OutputFormat::Text:
            return "text";
        case OutputFormat::Csv:
            return "csv";
        case OutputFormat::Html:
            return "html";
        case OutputFormat::Json:
            break;
    }
    return "json";
}

std::optional<FormatChoice> TakeFormatOption(std::string_view command, Args args,
                                             std::initializer_list<OutputFormat> allowed) {
    FormatChoice choice;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == EndOfOptions) {
            choice.rest.insert(choice.rest.end(), args.begin() + i, args.end());
            break;
        }
        std::string_view value;
        const OptionMatch match = TakeOption(args, i, "--format", value);
        if (match == OptionMatch::No) {
            choice.rest.push_back(args[i]);
            continue;
        }
        if (match == OptionMatch::MissingValue) {
            UsageError(command, "--format needs a value");
            return std::nullopt;
        }
        std::string names;
        bool known = false;
        for (auto it = allowed.begin(); it != allowed.end(); ++it) {
            if (OutputFormatName(*it) == value) {
                choice.format = *it;
                known = true;
            }
            if (it != allowed.begin()) names += it + 1 == allowed.end() ? " or " : ", ";
            names += OutputFormatName(*it);
        }
        if (!known) {
            UsageError(command, "invalid format " + Quoted(value) + " (" + names + ")");
            return std::nullopt;
        }
    }
    return choice;
}

std::string RenderReport(const ReportTable& table, OutputFormat format, std::string_view separator,
                         const Json& source) {
    switch (format) {
        case OutputFormat::Csv:
            return ReportCsvText(table);
        case OutputFormat::Json:
            return JsonLine(ReportJson(table, source)) + "\n";
        case OutputFormat::Text:
        case OutputFormat::Html:
            break;
    }
    std::string text;
    for (const std::string& line : BuildReport(table, separator)) {
        text += line;
        text += '\n';
    }
    return text;
}

}  // namespace brevane::cli
