#include "models/ShuffleModel.h"

namespace brevane {

namespace {

struct ModelNames {
    ShuffleModelKind kind;
    std::string_view name;
    std::string_view caption;
    std::int32_t defaultRepeats;
};

// Top-to-random's default is the expected number of moves until the deck is random, 52 H(52).
constexpr ModelNames Names[] = {
    {ShuffleModelKind::FisherYates, "fisher-yates", "Fisher-Yates", 0},
    {ShuffleModelKind::NaiveSwap, "naive-swap", "Naive Swap", 0},
    {ShuffleModelKind::ByteModulo, "byte-modulo", "Byte Modulo", 0},
    {ShuffleModelKind::Riffle, "riffle", "Riffle", 7},
    {ShuffleModelKind::Overhand, "overhand", "Overhand", 10},
    {ShuffleModelKind::TopToRandom, "top-to-random", "Top-to-Random", 236},
};

const ModelNames& NamesOf(ShuffleModelKind kind) {
    return Names[static_cast<std::size_t>(kind)];
}

// K as written after the colon: decimal digits without a leading zero, 1 to MaxModelRepeats.
std::optional<std::int32_t> ParseRepeats(std::string_view digits) {
    if (digits.empty() || digits.size() > 4 || digits[0] == '0') return std::nullopt;
    std::int32_t k = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        k = k * 10 + (c - '0');
    }
    if (k > MaxModelRepeats) return std::nullopt;
    return k;
}

}  // namespace

bool ModelTakesRepeats(ShuffleModelKind kind) {
    return NamesOf(kind).defaultRepeats != 0;
}

std::int32_t DefaultModelRepeats(ShuffleModelKind kind) {
    return NamesOf(kind).defaultRepeats;
}

std::optional<ShuffleModel> ParseShuffleModel(std::string_view text, ModelParseError& error) {
    const std::size_t colon = text.find(':');
    const std::string_view name = text.substr(0, colon);
    for (const ModelNames& entry : Names) {
        if (entry.name != name) continue;
        if (colon == std::string_view::npos) return ShuffleModel{entry.kind, entry.defaultRepeats};
        if (entry.defaultRepeats == 0) {
            error = ModelParseError::NoRepeatsTaken;
            return std::nullopt;
        }
        const auto k = ParseRepeats(text.substr(colon + 1));
        if (!k) {
            error = ModelParseError::BadRepeats;
            return std::nullopt;
        }
        return ShuffleModel{entry.kind, *k};
    }
    error = ModelParseError::UnknownName;
    return std::nullopt;
}

std::string ModelParseMessage(ModelParseError error, std::string_view quotedText) {
    std::string message;
    switch (error) {
        case ModelParseError::UnknownName:
            message = "unknown shuffle model ";
            message += quotedText;
            message +=
                " (fisher-yates, naive-swap, byte-modulo, riffle[:K], overhand[:K] or "
                "top-to-random[:K])";
            break;
        case ModelParseError::BadRepeats:
            message = "invalid shuffle model ";
            message += quotedText;
            message += ": K must be a whole number from 1 to ";
            message += std::to_string(MaxModelRepeats);
            break;
        case ModelParseError::NoRepeatsTaken:
            message = "invalid shuffle model ";
            message += quotedText;
            message += ": only riffle, overhand and top-to-random take a K";
            break;
    }
    return message;
}

std::string ShuffleModelName(const ShuffleModel& model) {
    std::string name(NamesOf(model.Kind).name);
    if (ModelTakesRepeats(model.Kind)) {
        name += ':';
        name += std::to_string(model.K);
    }
    return name;
}

std::string ShuffleModelCaption(const ShuffleModel& model) {
    std::string caption(NamesOf(model.Kind).caption);
    if (ModelTakesRepeats(model.Kind)) {
        caption += " (";
        caption += std::to_string(model.K);
        caption += ')';
    }
    return caption;
}

constinit const std::array<ShuffleModel, 6> MethodModels = [] {
    std::array<ShuffleModel, 6> models{};
    for (std::size_t k = 0; k < models.size(); ++k)
        models[k] = {Names[k].kind, Names[k].defaultRepeats};
    return models;
}();

}  // namespace brevane
