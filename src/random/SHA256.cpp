#include "random/SHA256.h"

#include "random/SHA256Blocks.h"

#include <cstring>
#include <utility>

namespace brevane {

namespace {

const std::uint32_t* const K = Sha256RoundConstants;

constexpr std::uint32_t ByteSwap(std::uint32_t x) {
    return (x >> 24) | ((x >> 8) & 0x0000ff00u) | ((x << 8) & 0x00ff0000u) | (x << 24);
}

constexpr std::uint32_t RotR(std::uint32_t x, int n) {
    return (x >> n) | (x << (32 - n));
}
constexpr std::uint32_t Ch(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
    return (x & y) ^ (~x & z);
}
constexpr std::uint32_t Maj(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
    return (x & y) ^ (x & z) ^ (y & z);
}
constexpr std::uint32_t BigSigma0(std::uint32_t x) {
    return RotR(x, 2) ^ RotR(x, 13) ^ RotR(x, 22);
}
constexpr std::uint32_t BigSigma1(std::uint32_t x) {
    return RotR(x, 6) ^ RotR(x, 11) ^ RotR(x, 25);
}
constexpr std::uint32_t SmallSigma0(std::uint32_t x) {
    return RotR(x, 7) ^ RotR(x, 18) ^ (x >> 3);
}
constexpr std::uint32_t SmallSigma1(std::uint32_t x) {
    return RotR(x, 17) ^ RotR(x, 19) ^ (x >> 10);
}

// Reads a 32-bit word in the machine's order, as a plain memory load would.
std::uint32_t LoadNative(const std::uint8_t* p) {
    std::uint32_t w;
    std::memcpy(&w, p, 4);
    return w;
}

bool LittleEndianHost() {
    const std::uint32_t probe = 1;
    std::uint8_t first;
    std::memcpy(&first, &probe, 1);
    return first == 1;
}

}  // namespace

TSHAObject::TSHAObject()
    : H0(0x6a09e667),
      H1(0xbb67ae85),
      H2(0x3c6ef372),
      H3(0xa54ff53a),
      H4(0x510e527f),
      H5(0x9b05688c),
      H6(0x1f83d9ab),
      H7(0x5be0cd19),
      P(0),
      Total(0),
      IBuf{},
      Hash{} {}

void TSHAObject::CompressBlocks(const std::uint8_t* data, std::size_t blocks) {
    std::uint32_t state[8] = {H0, H1, H2, H3, H4, H5, H6, H7};
    CompressSha256Blocks(state, data, blocks);
    H0 = state[0];
    H1 = state[1];
    H2 = state[2];
    H3 = state[3];
    H4 = state[4];
    H5 = state[5];
    H6 = state[6];
    H7 = state[7];
}

void TSHAObject::Compress() {
    if (Sha256BlocksAvailable()) {
        CompressBlocks(IBuf, 1);
        return;
    }
    static const bool swapWords = LittleEndianHost();
    std::uint32_t w[64];
    for (int t = 0; t < 16; ++t) {
        const std::uint32_t raw = LoadNative(IBuf + 4 * t);
        w[t] = swapWords ? ByteSwap(raw) : raw;
    }
    for (int t = 16; t < 64; ++t)
        w[t] = SmallSigma1(w[t - 2]) + w[t - 7] + SmallSigma0(w[t - 15]) + w[t - 16];

    std::uint32_t a = H0, b = H1, c = H2, d = H3, e = H4, f = H5, g = H6, h = H7;
    for (int t = 0; t < 64; ++t) {
        const std::uint32_t t1 = h + BigSigma1(e) + Ch(e, f, g) + K[t] + w[t];
        const std::uint32_t t2 = BigSigma0(a) + Maj(a, b, c);
        h = g;
        g = f;
        f = e;
        e = d + t1;
        d = c;
        c = b;
        b = a;
        a = t1 + t2;
    }
    H0 += a;
    H1 += b;
    H2 += c;
    H3 += d;
    H4 += e;
    H5 += f;
    H6 += g;
    H7 += h;
}

void TSHAObject::HashBuffer(const void* Buffer, std::int32_t Size) {
    if (Size <= 0) return;
    Total += Size;
    const auto* src = static_cast<const std::uint8_t*>(Buffer);
    std::int32_t remaining = Size;
    while (remaining > 0) {
        if (P == 0 && remaining >= 64 && Sha256BlocksAvailable()) {
            // Whole blocks straight from the caller's buffer.
            const std::int32_t blocks = remaining / 64;
            CompressBlocks(src, static_cast<std::size_t>(blocks));
            src += 64 * blocks;
            remaining -= 64 * blocks;
            continue;
        }
        const std::int32_t n = remaining < 64 - P ? remaining : 64 - P;
        std::memcpy(IBuf + P, src, static_cast<std::size_t>(n));
        src += n;
        remaining -= n;
        P += n;
        if (P == 64) {
            Compress();
            P = 0;
        }
    }
}

void TSHAObject::FinalizeHash() {
    IBuf[P] = 0x80;
    ++P;
    while (P < 56) IBuf[P++] = 0;
    if (P > 56) {
        std::memset(IBuf + P, 0, static_cast<std::size_t>(64 - P));
        Compress();
        std::memset(IBuf, 0, 64);
        P = 64;
    }
    Total *= 8;
    // The length goes in least significant byte first, then the eight bytes are reversed.
    auto bits = static_cast<std::uint64_t>(Total);
    for (int k = 0; k < 8; ++k) IBuf[56 + k] = static_cast<std::uint8_t>(bits >> (8 * k));
    for (int k = 0; k < 4; ++k) std::swap(IBuf[56 + k], IBuf[63 - k]);
    Compress();

    std::uint32_t* words[8] = {&H0, &H1, &H2, &H3, &H4, &H5, &H6, &H7};
    for (int k = 0; k < 8; ++k) {
        *words[k] = ByteSwap(*words[k]);
        // Least significant byte first: the swapped word's memory image on a little-endian host.
        for (int b = 0; b < 4; ++b)
            Hash[4 * k + b] = static_cast<std::uint8_t>(*words[k] >> (8 * b));
    }
}

}  // namespace brevane
