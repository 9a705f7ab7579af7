#pragma once

#include <cstdint>

namespace brevane {

// The constants of an unbiased draw in 0..n-1 from a 16-bit value v: values v >= Bound are
// redrawn, and the result v div (65536 div n) is computed as (v * Magic) >> 32.
// Magic = floor(2^32 / q) + 1 makes the product exceed v / q by less than v / 2^32 < 1 / q,
// which never reaches the next whole number, so the quotient is exact for every v < 65536.
struct DrawDivisor {
    std::uint32_t Bound;
    std::uint64_t Magic;
};

constexpr DrawDivisor MakeDrawDivisor(std::uint16_t n) {
    const std::uint32_t q = 65536u / n;
    return {q * n, (std::uint64_t{1} << 32) / q + 1};
}

constexpr std::uint32_t DrawQuotient(std::uint32_t v, const DrawDivisor& d) {
    return static_cast<std::uint32_t>((v * d.Magic) >> 32);
}

}  // namespace brevane
