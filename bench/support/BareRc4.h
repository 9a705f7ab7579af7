#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "random/PRNG.h"

namespace brevane::bench {

// The baseline: plain RC4 with its state in locals, nothing else. Cell is the type of the
// permutation's entries: bytes as RC4 is usually written, or 32-bit words, which on some
// processors avoid partial-register stalls and run faster; a fair baseline is the faster of the
// two (FastestBareRc4Seconds).
template <class Cell>
struct BareRc4Loop {
    std::array<Cell, 256> s;
    unsigned i = 0, j = 0;

    explicit BareRc4Loop(const brevane::GeneratorKey& key) {
        for (unsigned k = 0; k < 256; ++k) s[k] = static_cast<Cell>(k);
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
            const Cell si = s[ii];
            jj = (jj + si) & 255;
            const Cell sj = s[jj];
            s[ii] = sj;
            s[jj] = si;
            sink += s[(si + sj) & 255];
        }
        i = ii;
        j = jj;
        return sink;
    }
};

using BareRc4 = BareRc4Loop<std::uint8_t>;
using BareRc4Words = BareRc4Loop<std::uint32_t>;

// Seconds that `clock` measures for `bytes` keystream bytes from the faster of the two bare
// loops, each keyed with `key` and run once.
template <class Clock>
double FastestBareRc4Seconds(const brevane::GeneratorKey& key, std::size_t bytes, Clock clock) {
    BareRc4 bytesLoop(key);
    BareRc4Words wordsLoop(key);
    volatile std::uint32_t sink = 0;
    const double t0 = clock();
    sink = sink + bytesLoop.Run(bytes);
    const double t1 = clock();
    sink = sink + wordsLoop.Run(bytes);
    const double t2 = clock();
    return std::min(t1 - t0, t2 - t1);
}

}  // namespace brevane::bench
