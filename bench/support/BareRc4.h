#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "random/PRNG.h"

namespace brevane::bench {

// The baseline: plain RC4 with its state in locals, nothing else.
struct BareRc4 {
    std::array<std::uint8_t, 256> s;
    unsigned i = 0, j = 0;

    explicit BareRc4(const brevane::GeneratorKey& key) {
        for (unsigned k = 0; k < 256; ++k) s[k] = static_cast<std::uint8_t>(k);
        for (unsigned k = 0, jj = 0; k < 256; ++k) {
            jj = (jj + s[k] + key[k % 32]) & 255;
            std::swap(s[k], s[jj]);
        }
    }

    std::uint32_t Run(std::size_t bytes) {
        std::uint32_t sink = 0;
        unsigned ii = i, jj = j;
        for (std::size_t n = 0; n < bytes; ++n) {
            ii = (ii + 1) & 255;
            const std::uint8_t si = s[ii];
            jj = (jj + si) & 255;
            const std::uint8_t sj = s[jj];
            s[ii] = sj;
            s[jj] = si;
            sink += s[(si + sj) & 255];
        }
        i = ii;
        j = jj;
        return sink;
    }
};

}  // namespace brevane::bench
