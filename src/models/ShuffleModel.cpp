#include "models/ShuffleModel.h"

#include <algorithm>

namespace brevane {

namespace {

struct ModelNames {
    ShuffleModelKind kind;
    std::string_view name;
    std::string_view caption;
    std::int32_t defaultRepeats;
    std::int32_t minRepeats;
    std::int32_t maxRepeats;
    // The letter the help and the messages give the model's number.
    char letter;
};

// Top-to-random's default is the expected number of moves until the deck is random, 52 H(52).
// A strip cuts at most at each of the 51 gaps.
constexpr ModelNames Names[] = {
    {ShuffleModelKind::FisherYates, "fisher-yates", "Fisher-Yates", 0, 0, 0, 0},
    {ShuffleModelKind::NaiveSwap, "naive-swap", "Naive Swap", 0, 0, 0, 0},
    {ShuffleModelKind::ByteModulo, "byte-modulo", "Byte Modulo", 0, 0, 0, 0},
    {ShuffleModelKind::Riffle, "riffle", "Riffle", 7, 1, 1000, 'K'},
    {ShuffleModelKind::Overhand, "overhand", "Overhand", 10, 1, 1000, 'K'},
    {ShuffleModelKind::TopToRandom, "top-to-random", "Top-to-Random", 236, 1, 1000, 'K'},
    {ShuffleModelKind::Shelf, "shelf", "Shelf", 10, 2, MaxShelves, 'S'},
    {ShuffleModelKind::Strip, "strip", "Strip", 5, 2, 52, 'P'},
    {ShuffleModelKind::Cut, "cut", "Cut", 0, 0, 0, 0},
};

constexpr const ModelNames& NamesOf(ShuffleModelKind kind) {
    return Names[static_cast<std::size_t>(kind)];
}

constexpr char ProcedureSeparator = '+';

constexpr ModelStep CasinoSteps[] = {{ShuffleModelKind::Riffle, 1},
                                     {ShuffleModelKind::Riffle, 1},
                                     {ShuffleModelKind::Strip, 5},
                                     {ShuffleModelKind::Riffle, 1},
                                     {ShuffleModelKind::Cut, 0}};

constexpr ShuffleModel Casino = ShuffleModel::Procedure(CasinoSteps);

// K as written after the colon: decimal digits without a leading zero, inside the model's range.
std::optional<std::int32_t> ParseRepeats(std::string_view digits, const ModelNames& names) {
    if (digits.empty() || digits.size() > 4 || digits[0] == '0') return std::nullopt;
    std::int32_t k = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        k = k * 10 + (c - '0');
    }
    if (k < names.minRepeats || k > names.maxRepeats) return std::nullopt;
    return k;
}

// One model without '+'. On failure sets failure.error and failure.kind.
std::optional<ModelStep> ParseStep(std::string_view text, ModelParseFailure& failure) {
    const std::size_t colon = text.find(':');
    const std::string_view name = text.substr(0, colon);
    for (const ModelNames& entry : Names) {
        if (entry.name != name) continue;
        failure.kind = entry.kind;
        if (colon == std::string_view::npos) return ModelStep{entry.kind, entry.defaultRepeats};
        if (entry.defaultRepeats == 0) {
            failure.error = ModelParseError::NoRepeatsTaken;
            return std::nullopt;
        }
        const auto k = ParseRepeats(text.substr(colon + 1), entry);
        if (!k) {
            failure.error = ModelParseError::BadRepeats;
            return std::nullopt;
        }
        return ModelStep{entry.kind, *k};
    }
    failure.error = ModelParseError::UnknownName;
    return std::nullopt;
}

std::string StepName(const ModelStep& step) {
    std::string name(NamesOf(step.Kind).name);
    if (ModelTakesRepeats(step.Kind)) {
        name += ':';
        name += std::to_string(step.K);
    }
    return name;
}

std::string StepCaption(const ModelStep& step) {
    std::string caption(NamesOf(step.Kind).caption);
    if (ModelTakesRepeats(step.Kind)) {
        caption += " (";
        caption += std::to_string(step.K);
        caption += ')';
    }
    return caption;
}

}  // namespace

bool ModelTakesRepeats(ShuffleModelKind kind) {
    return NamesOf(kind).defaultRepeats != 0;
}

std::int32_t DefaultModelRepeats(ShuffleModelKind kind) {
    return NamesOf(kind).defaultRepeats;
}

std::int32_t MinModelRepeats(ShuffleModelKind kind) {
    return NamesOf(kind).minRepeats;
}

std::int32_t MaxModelRepeats(ShuffleModelKind kind) {
    return NamesOf(kind).maxRepeats;
}

std::optional<ShuffleModel> ParseShuffleModel(std::string_view text, ModelParseFailure& failure) {
    failure = {};
    if (text.find(ProcedureSeparator) == std::string_view::npos) {
        const auto step = ParseStep(text, failure);
        if (!step) return std::nullopt;
        return ShuffleModel(step->Kind, step->K);
    }
    std::array<ModelStep, MaxModelSteps> steps{};
    std::size_t count = 0;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = std::min(text.find(ProcedureSeparator, start), text.size());
        failure.step = count + 1;
        if (count == MaxModelSteps) {
            failure.error = ModelParseError::TooManySteps;
            return std::nullopt;
        }
        const std::string_view part = text.substr(start, end - start);
        if (part.empty()) {
            failure.error = ModelParseError::EmptyStep;
            return std::nullopt;
        }
        const auto step = ParseStep(part, failure);
        if (!step) return std::nullopt;
        steps[count++] = *step;
        if (end == text.size()) break;
        start = end + 1;
    }
    return ShuffleModel::Procedure(std::span<const ModelStep>(steps.data(), count));
}

std::string ModelParseMessage(const ModelParseFailure& failure, std::string_view quotedText) {
    const bool unknown = failure.error == ModelParseError::UnknownName;
    std::string message = unknown ? "unknown shuffle model " : "invalid shuffle model ";
    message += quotedText;
    const std::string step = failure.step == 0 ? "" : "step " + std::to_string(failure.step);
    switch (failure.error) {
        case ModelParseError::UnknownName:
            if (!step.empty()) message += ": " + step + " is not a model";
            message +=
                " (fisher-yates, naive-swap, byte-modulo, riffle[:K], overhand[:K], "
                "top-to-random[:K], shelf[:S], strip[:P] or cut, or up to " +
                std::to_string(MaxModelSteps) + " of them joined by +)";
            break;
        case ModelParseError::BadRepeats: {
            const ModelNames& names = NamesOf(failure.kind);
            message += step.empty() ? ": " : ": in " + step + ", ";
            message += names.letter;
            message += " must be a whole number from " + std::to_string(names.minRepeats) + " to " +
                       std::to_string(names.maxRepeats);
            break;
        }
        case ModelParseError::NoRepeatsTaken:
            message += step.empty() ? ": " : ": in " + step + ", ";
            message += "only riffle, overhand, top-to-random, shelf and strip take a number";
            break;
        case ModelParseError::EmptyStep:
            message += ": " + step + " is empty";
            break;
        case ModelParseError::TooManySteps:
            message += ": more than " + std::to_string(MaxModelSteps) + " steps";
            break;
    }
    return message;
}

std::string ShuffleModelName(const ShuffleModel& model) {
    std::string name;
    for (const ModelStep& step : model.Steps()) {
        if (!name.empty()) name += ProcedureSeparator;
        name += StepName(step);
    }
    return name;
}

std::string ShuffleModelCaption(const ShuffleModel& model) {
    if (model == Casino) return "Casino hand shuffle";
    std::string caption;
    for (const ModelStep& step : model.Steps()) {
        if (!caption.empty()) caption += " + ";
        caption += StepCaption(step);
    }
    return caption;
}

ShuffleModel CasinoHandShuffle() {
    return Casino;
}

constinit const std::array<ShuffleModel, 8> MethodModels = [] {
    constexpr ShuffleModelKind Offered[] = {
        ShuffleModelKind::FisherYates, ShuffleModelKind::NaiveSwap, ShuffleModelKind::ByteModulo,
        ShuffleModelKind::Riffle,      ShuffleModelKind::Overhand,  ShuffleModelKind::TopToRandom,
        ShuffleModelKind::Shelf};
    std::array<ShuffleModel, 8> models{};
    for (std::size_t k = 0; k < std::size(Offered); ++k)
        models[k] = {Offered[k], NamesOf(Offered[k]).defaultRepeats};
    models.back() = Casino;
    return models;
}();

}  // namespace brevane
