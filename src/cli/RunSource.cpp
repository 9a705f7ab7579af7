#include "cli/RunSource.h"

#include <optional>

#include "cli/ResultJson.h"
#include "models/ShuffleModel.h"
#include "os/TerminalText.h"

namespace brevane::cli {

namespace {

std::optional<std::string> StringField(const Json& object, const char* key) {
    const auto it = object.find(key);
    if (it == object.end() || !it->is_string()) return std::nullopt;
    return it->get<std::string>();
}

std::string InputName(const std::string& name) {
    return name == "-" ? "standard input" : name;
}

// One source in words, without the "Source: " before it.
std::string SourceText(const Json& source) {
    if (!source.is_object()) return JsonLine(source);
    if (const auto file = StringField(source, "file")) {
        const std::string text = *file == "-" ? InputName(*file) : "file " + *file;
        // No digest: a counts file without one, or an input that could not be read again.
        const auto digest = StringField(source, "sha256");
        const auto newDeck = source.find("from_new_deck");
        return text + ", SHA-256 " + (digest && !digest->empty() ? *digest : "unknown") +
               (newDeck != source.end() && *newDeck == true ? ", each shuffle from a new deck"
                                                            : "");
    }
    const auto model = StringField(source, "model");
    const auto key = StringField(source, "key");
    if (!model || !key) return JsonLine(source);
    std::string text = "model " + *model;
    const auto newDeck = source.find("from_new_deck");
    if (newDeck != source.end() && *newDeck == true) text += ", each shuffle from a new deck";
    text += ", key " + *key;
    if (StringField(source, "seed") == "timer") text += " (chosen by the timer)";
    if (const auto streams = source.find("streams");
        streams != source.end() && streams->is_number_unsigned()) {
        text += ", " + std::to_string(streams->get<std::uint64_t>()) + " streams";
    } else if (const auto stream = source.find("stream");
               stream != source.end() && stream->is_number_unsigned()) {
        text += ", stream " + std::to_string(stream->get<std::uint64_t>());
    }
    return text;
}

}  // namespace

std::string ProgramText() {
    return std::string("brevane-cli ") + BREVANE_VERSION;
}

nlohmann::ordered_json SourceJson(const AnalysisOptions& options, RowSource& source) {
    nlohmann::ordered_json json;
    if (options.input) {
        json["file"] = *options.input;
        json["sha256"] = source.InputSha256Hex();
        // Only a declaration adds the key, so that other sources stay as they were.
        if (options.fromNewDeck) json["from_new_deck"] = true;
        return json;
    }
    json["model"] = ShuffleModelName(options.model);
    json["key"] = source.KeyHex();
    json["seed"] = options.key ? "key" : "timer";
    json["from_new_deck"] = options.fromNewDeck;
    if (options.stream) {
        json["stream"] = *options.stream;
    } else if (options.streams >= 2) {
        json["streams"] = options.streams;
    }
    return json;
}

Report SourceLines(const nlohmann::ordered_json& source) {
    return {"Source: " + PrintableText(SourceText(source))};
}

Report MergedSourceLines(const std::vector<std::string>& names,
                         const nlohmann::ordered_json& sources) {
    // Every stream of one run: the run's own source.
    if (sources.is_object()) return SourceLines(sources);
    const std::size_t count = names.size();
    Report lines = {"Source: " + std::to_string(count) +
                    (count == 1 ? " counts file" : " counts files")};
    for (std::size_t i = 0; i < count && i < sources.size(); ++i) {
        lines.push_back("  " + PrintableText(InputName(names[i]) + ": " + SourceText(sources[i])));
    }
    return lines;
}

}  // namespace brevane::cli
