#include "report/MarkupText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>

namespace brevane {

namespace {

constexpr std::string_view Replacement = "\xEF\xBF\xBD";

// The length of the UTF-8 sequence at text[i] and its code point, or 0 when the bytes there
// are not a well-formed sequence (overlong forms and surrogates included).
std::size_t DecodeUtf8(std::string_view text, std::size_t i, char32_t& code) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    char32_t min = 0;
    if (lead < 0x80) {
        code = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2;
        code = lead & 0x1F;
        min = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        code = lead & 0x0F;
        min = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        code = lead & 0x07;
        min = 0x10000;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(k) & 0xC0) != 0x80) return 0;
        code = (code << 6) | (byte(k) & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

bool AllowedInXml(char32_t code) {
    if (code < 0x20) return code == '\t' || code == '\n' || code == '\r';
    return code != 0xFFFE && code != 0xFFFF;
}

}  // namespace

std::string EscapeMarkup(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        char32_t code = 0;
        const std::size_t length = DecodeUtf8(text, i, code);
        if (length == 0) {
            out += Replacement;
            ++i;
            continue;
        }
        switch (code) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                if (AllowedInXml(code)) {
                    out.append(text.substr(i, length));
                } else {
                    out += Replacement;
                }
        }
        i += length;
    }
    return out;
}

std::string SvgNumber(double value, int decimals) {
    if (!std::isfinite(value)) value = 0;
    char buffer[64];
    const auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    // Trim trailing zeros and a bare point on the buffer itself: editing a std::string here
    // draws a false -Wrestrict from GCC 12 in the sanitizer build.
    const char* first = buffer;
    const char* last = error == std::errc() ? end : buffer;
    if (std::find(first, last, '.') != last) {
        while (last[-1] == '0') --last;
        if (last[-1] == '.') --last;
    }
    const std::string_view text(first, static_cast<std::size_t>(last - first));
    if (text == "-0") return "0";
    return std::string(text);
}

}  // namespace brevane
