#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace brevane {

// The ways a shuffle can permute the working deck. FisherYates is ShuffleDeck; the others are
// known shuffles to measure against, each fixed exactly so that its rows can be reproduced.
enum class ShuffleModelKind {
    FisherYates,
    NaiveSwap,
    ByteModulo,
    Riffle,
    Overhand,
    TopToRandom,
    Shelf,
    Strip,
    Cut
};

// One model and its number K: riffles, overhand shuffles or top-to-random moves to make, the
// shelves of a shelf machine or the packets of a strip; 0 for the models that take none.
struct ModelStep {
    ShuffleModelKind Kind = ShuffleModelKind::FisherYates;
    std::int32_t K = 0;

    friend bool operator==(const ModelStep&, const ModelStep&) = default;
};

inline constexpr std::size_t MaxModelSteps = 16;
// The most shelves a shelf machine may have.
inline constexpr std::int32_t MaxShelves = 100;

// What makes one row: a single model, or a procedure of up to MaxModelSteps models applied in
// turn to the same deck. A procedure of one step is that model.
class ShuffleModel {
  public:
    // Fisher-Yates.
    constexpr ShuffleModel() = default;
    constexpr ShuffleModel(ShuffleModelKind kind, std::int32_t k = 0) : steps_{{{kind, k}}} {}

    // The steps in order; `steps` holds 1 to MaxModelSteps of them.
    static constexpr ShuffleModel Procedure(std::span<const ModelStep> steps) {
        ShuffleModel model;
        for (std::size_t k = 0; k < steps.size(); ++k) model.steps_[k] = steps[k];
        model.count_ = static_cast<std::uint8_t>(steps.size());
        return model;
    }

    constexpr std::span<const ModelStep> Steps() const { return {steps_.data(), count_}; }
    // Whether this is one step of Fisher-Yates, which has a path of its own.
    constexpr bool IsFisherYates() const {
        return count_ == 1 && steps_[0].Kind == ShuffleModelKind::FisherYates;
    }

    // Steps past the count stay default, so that equal procedures compare equal.
    friend bool operator==(const ShuffleModel&, const ShuffleModel&) = default;

  private:
    std::array<ModelStep, MaxModelSteps> steps_{};
    std::uint8_t count_ = 1;
};

// Whether the model takes a K, the K it has when none is given (0 when it takes none), and the
// range a given K must lie in.
bool ModelTakesRepeats(ShuffleModelKind kind);
std::int32_t DefaultModelRepeats(ShuffleModelKind kind);
std::int32_t MinModelRepeats(ShuffleModelKind kind);
std::int32_t MaxModelRepeats(ShuffleModelKind kind);

// Why a model text was refused, and where: `step` is the 1-based step of a procedure (0 for a
// text without '+'), `kind` the model whose K was bad.
enum class ModelParseError { UnknownName, BadRepeats, NoRepeatsTaken, EmptyStep, TooManySteps };
struct ModelParseFailure {
    ModelParseError error = ModelParseError::UnknownName;
    std::size_t step = 0;
    ShuffleModelKind kind = ShuffleModelKind::FisherYates;
};

// Parses a model, "fisher-yates", "naive-swap", "byte-modulo", "riffle[:K]", "overhand[:K]",
// "top-to-random[:K]", "shelf[:S]", "strip[:P]" or "cut", or 1 to MaxModelSteps of them joined
// by '+' into a procedure. K is decimal without a leading zero, inside the model's range. On
// anything else returns nullopt and fills `failure`.
std::optional<ShuffleModel> ParseShuffleModel(std::string_view text, ModelParseFailure& failure);

// A one-line message for a refused model text; `quotedText` is the text as the caller quotes
// it in messages.
std::string ModelParseMessage(const ModelParseFailure& failure, std::string_view quotedText);

// The name ParseShuffleModel reads back, with every K: "fisher-yates", "riffle:7",
// "riffle:1+cut".
std::string ShuffleModelName(const ShuffleModel& model);
// The name the window shows: "Fisher-Yates", "Riffle (7)", "Casino hand shuffle".
std::string ShuffleModelCaption(const ShuffleModel& model);

// The hand procedure of a casino table: riffle, riffle, strip into five packets, riffle, cut.
ShuffleModel CasinoHandShuffle();

// The window's choice of methods, in list order: each single model that the window offers with
// its default K, then the casino hand shuffle.
extern const std::array<ShuffleModel, 8> MethodModels;

}  // namespace brevane
