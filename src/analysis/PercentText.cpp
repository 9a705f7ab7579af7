#include "analysis/PercentText.h"

#include <stdexcept>

namespace brevane {

std::string PercentText(std::uint64_t k, std::uint64_t n, std::string_view separator) {
    if (n == 0) throw std::invalid_argument("percentage of zero rows");
    // q = floor((2 k 10^6 + n) / (2 n)) ten-thousandths of a per cent: k * 100 / n rounded to four
    // decimals with exact halves going up. 128-bit arithmetic keeps every 64-bit k and n exact.
    using Wide = unsigned __int128;
    const Wide q = (Wide{2} * k * 1000000u + n) / (Wide{2} * n);
    const auto whole = static_cast<std::uint64_t>(q / 10000);
    const auto fraction = static_cast<unsigned>(q % 10000);
    std::string text = std::to_string(whole);
    text += separator;
    const char digits[4] = {
        static_cast<char>('0' + fraction / 1000), static_cast<char>('0' + fraction / 100 % 10),
        static_cast<char>('0' + fraction / 10 % 10), static_cast<char>('0' + fraction % 10)};
    text.append(digits, 4);
    return text;
}

}  // namespace brevane
