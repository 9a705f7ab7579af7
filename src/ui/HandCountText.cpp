#include "ui/HandCountText.h"

#include <cstdint>
#include <limits>

namespace brevane {

namespace {

int DigitValue(char16_t c, int base) {
    int value = -1;
    if (c >= u'0' && c <= u'9') value = c - u'0';
    if (c >= u'a' && c <= u'f') value = c - u'a' + 10;
    if (c >= u'A' && c <= u'F') value = c - u'A' + 10;
    return value < base ? value : -1;
}

}  // namespace

std::int32_t TextToInt32(QStringView text, std::int32_t fallback) {
    qsizetype i = 0;
    const qsizetype size = text.size();
    while (i < size && (text[i] == u' ' || text[i] == u'\t')) ++i;
    bool negative = false;
    if (i < size && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    int base = 10;
    if (i < size && text[i] == u'$') {
        base = 16;
        ++i;
    } else if (i + 1 < size && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }
    if (i == size) return fallback;

    // The magnitude may reach 2^31 for the most negative value.
    constexpr std::int64_t limit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t magnitude = 0;
    for (; i < size; ++i) {
        const int digit = DigitValue(text[i].unicode(), base);
        if (digit < 0) return fallback;
        magnitude = magnitude * base + digit;
        if (magnitude > limit) return fallback;
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<std::int32_t>::max()) return fallback;
    return static_cast<std::int32_t>(value);
}

}  // namespace brevane
