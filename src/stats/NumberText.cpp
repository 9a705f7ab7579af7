#include "stats/NumberText.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace brevane {

namespace {

std::string ToText(double value, std::chars_format format, int precision) {
    char buffer[400];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value, format, precision).ptr;
    return std::string(buffer, end);
}

}  // namespace

std::string FixedText(double value, int decimals) {
    return ToText(value, std::chars_format::fixed, decimals);
}

std::string PValueText(double p) {
    if (p >= 0.0001) return ToText(p, std::chars_format::fixed, 4);
    if (p == 0) return "< 4.9e-324";
    return ToText(p, std::chars_format::scientific, 1);
}

std::string ShortestText(double value) {
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    return std::string(buffer, end);
}

std::string SignedText(double value) {
    const std::string magnitude = FixedText(std::fabs(value), 2);
    if (magnitude == "0.00") return magnitude;
    return (value < 0 ? "-" : "+") + magnitude;
}

std::string SignificantText(double value, int digits) {
    if (value == 0) return "0";
    const int magnitude = static_cast<int>(std::floor(std::log10(value)));
    return FixedText(value, std::max(0, digits - 1 - magnitude));
}

std::string GroupedText(std::uint64_t count) {
    const std::string digits = std::to_string(count);
    std::string text;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) text += ',';
        text += digits[i];
    }
    return text;
}

}  // namespace brevane
