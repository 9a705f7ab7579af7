#include "report/ReproduceCommand.h"

#include "analysis/Seats.h"
#include "stats/NumberText.h"

namespace brevane {

namespace {

using Json = nlohmann::ordered_json;

bool SafeInShell(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           std::string_view("_-.,/:=+@%").find(c) != std::string_view::npos;
}

std::string StringField(const Json& object, const char* key) {
    if (!object.is_object()) return {};
    const auto it = object.find(key);
    return it != object.end() && it->is_string() ? it->get<std::string>() : std::string();
}

bool TrueField(const Json& object, const char* key) {
    if (!object.is_object()) return false;
    const auto it = object.find(key);
    return it != object.end() && *it == true;
}

std::string LowerCase(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

// The options every command ends with: the seat view, alpha and the report's file.
std::string CommonOptions(const ShuffleCounts& counts, const FairnessResult& result,
                          const ReportProvenance& provenance, bool withSeat) {
    std::string options;
    if (withSeat) {
        const SeatView& view = counts.View();
        const std::string seat = SeatPositionLabels(
            view.players)[static_cast<std::size_t>(view.seatPosition % view.players)];
        options += " --players " + std::to_string(view.players) + " --seat " + seat;
        if (view.Rotating()) options += " --rotate";
        options += " --stage " + LowerCase(view.StageText());
    }
    options += " --alpha " + ShortestText(result.alpha) + " --format html --output " +
               ShellWord(provenance.outputName.empty() ? "report.html" : provenance.outputName);
    return options;
}

std::string FirstRowOption(const ShuffleCounts& counts) {
    return counts.FirstRowIndex() == 0 ? ""
                                       : " --first-row " + std::to_string(counts.FirstRowIndex());
}

// " --streams S" or " --stream s" as the source names them, or nothing.
std::string StreamOption(const Json& source) {
    if (!source.is_object()) return {};
    for (const char* name : {"streams", "stream"}) {
        const auto it = source.find(name);
        if (it != source.end() && it->is_number_unsigned())
            return std::string(" --") + name + " " + std::to_string(it->get<std::uint64_t>());
    }
    return {};
}

}  // namespace

std::string ShellWord(std::string_view text) {
    bool safe = !text.empty();
    for (const char c : text) safe = safe && SafeInShell(c);
    if (safe) return std::string(text);
    std::string quoted = "'";
    for (const char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

std::vector<std::string> ReproduceCommands(const ShuffleCounts& counts,
                                           const FairnessResult& result,
                                           const ReportProvenance& provenance) {
    if (provenance.merged) {
        std::string command = "brevane-cli merge";
        for (const ReportSource& shard : provenance.sources)
            command.append(" ").append(ShellWord(shard.shard));
        return {command + " test" + CommonOptions(counts, result, provenance, false)};
    }
    const std::string tail = CommonOptions(counts, result, provenance, true);
    if (provenance.sources.empty()) {
        return {"brevane-cli test --input shuffles.txt" + FirstRowOption(counts) + tail};
    }
    const Json& source = provenance.sources.front().source;
    const std::string file = StringField(source, "file");
    const std::string newDeck = TrueField(source, "from_new_deck") ? " --from-new-deck" : "";
    if (!file.empty()) {
        std::vector<std::string> lines;
        if (file != "-") lines.push_back(std::string("sha256sum ").append(ShellWord(file)));
        lines.push_back("brevane-cli test --input " + ShellWord(file) + newDeck +
                        FirstRowOption(counts) + tail);
        return lines;
    }
    const std::string model = StringField(source, "model");
    const std::string key = StringField(source, "key");
    if (model.empty() || key.empty()) return {};
    return {"brevane-cli test --shuffles " + std::to_string(counts.Rows()) + " --model " +
            ShellWord(model) + " --key " + ShellWord(key) + newDeck + StreamOption(source) +
            FirstRowOption(counts) + tail};
}

}  // namespace brevane
