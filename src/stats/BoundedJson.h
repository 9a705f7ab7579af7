#pragma once

#include <cstddef>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace brevane {

// JSON text from a file anyone may have written, read into a value only when it is sound: one
// JSON value and nothing after it but white space, no NUL byte, arrays and objects nested at
// most `maxDepth` deep (checked as they open, before anything deeper is built), no key twice
// in one object, and every number within the range of a double.
//
// Gives the value, or nullopt with `problem` saying what is wrong in a few words ("not valid
// JSON (at byte 12)", "duplicate key \"cards\""). Time and memory grow in step with the text.
std::optional<nlohmann::ordered_json> ParseBoundedJson(std::string_view text, std::size_t maxDepth,
                                                       std::string& problem);

}  // namespace brevane
