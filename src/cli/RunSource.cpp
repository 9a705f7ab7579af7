#include "cli/RunSource.h"

#include "models/ShuffleModel.h"

namespace brevane::cli {

std::string ProgramText() {
    return std::string("brevane-cli ") + BREVANE_VERSION;
}

nlohmann::ordered_json SourceJson(const AnalysisOptions& options, RowSource& source) {
    nlohmann::ordered_json json;
    if (options.input) {
        json["file"] = *options.input;
        json["sha256"] = source.InputSha256Hex();
        return json;
    }
    json["model"] = ShuffleModelName(options.model);
    json["key"] = source.KeyHex();
    json["seed"] = options.key ? "key" : "timer";
    json["from_new_deck"] = options.fromNewDeck;
    return json;
}

}  // namespace brevane::cli
