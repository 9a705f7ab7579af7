#include "os/TerminalText.h"

namespace brevane {

namespace {

// The length of the character at the start of `text` (1 for a byte that is not valid UTF-8)
// and whether it prints.
struct Character {
    std::size_t length;
    bool printable;
};

Character NextCharacter(std::string_view text) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) return {1, lead >= 0x20 && lead != 0x7F};
    std::size_t length = 0;
    char32_t code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
    } else {
        return {1, false};
    }
    if (text.size() < length) return {1, false};
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(k) & 0xC0) != 0x80) return {1, false};
        code = (code << 6) | (byte(k) & 0x3F);
    }
    constexpr char32_t Smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    const bool overlong = code < Smallest[length];
    if (overlong || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return {1, false};
    return {length, code > 0x9F};  // U+0080 to U+009F are the C1 controls
}

}  // namespace

std::string PrintableText(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    while (!text.empty()) {
        const Character c = NextCharacter(text);
        if (c.printable) {
            shown.append(text.substr(0, c.length));
        } else {
            shown += '?';
        }
        text.remove_prefix(c.length);
    }
    return shown;
}

}  // namespace brevane
