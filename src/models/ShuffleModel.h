#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace brevane {

// The ways a shuffle can permute the working deck. FisherYates is ShuffleDeck; the others are
// known shuffles to measure against, each fixed exactly so that its rows can be reproduced.
enum class ShuffleModelKind { FisherYates, NaiveSwap, ByteModulo, Riffle, Overhand, TopToRandom };

// A model and its repeat count K (riffles, overhand shuffles or top-to-random moves; 0 for the
// models that take none).
struct ShuffleModel {
    ShuffleModelKind Kind = ShuffleModelKind::FisherYates;
    std::int32_t K = 0;

    friend bool operator==(const ShuffleModel&, const ShuffleModel&) = default;
};

inline constexpr std::int32_t MaxModelRepeats = 1000;

// Whether the model takes a K, and the K it has when none is given (0 when it takes none).
bool ModelTakesRepeats(ShuffleModelKind kind);
std::int32_t DefaultModelRepeats(ShuffleModelKind kind);

// Why a model text was refused.
enum class ModelParseError { UnknownName, BadRepeats, NoRepeatsTaken };

// Parses "fisher-yates", "naive-swap", "byte-modulo", "riffle[:K]", "overhand[:K]" or
// "top-to-random[:K]" with K from 1 to MaxModelRepeats. On anything else returns nullopt and
// sets `error`.
std::optional<ShuffleModel> ParseShuffleModel(std::string_view text, ModelParseError& error);

// A one-line message for a refused model text; `quotedText` is the text as the caller quotes
// it in messages.
std::string ModelParseMessage(ModelParseError error, std::string_view quotedText);

// The name ParseShuffleModel reads back, with K: "fisher-yates", "riffle:7".
std::string ShuffleModelName(const ShuffleModel& model);
// The name the window shows: "Fisher-Yates", "Riffle (7)".
std::string ShuffleModelCaption(const ShuffleModel& model);

// The window's choice of methods, in list order: each model once, with its default K.
extern const std::array<ShuffleModel, 6> MethodModels;

}  // namespace brevane
