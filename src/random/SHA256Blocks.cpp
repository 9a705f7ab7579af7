#include "random/SHA256Blocks.h"

#include <atomic>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <immintrin.h>
#define BREVANE_SHA_INSTRUCTIONS 1
#endif

namespace brevane {

const std::uint32_t Sha256RoundConstants[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

namespace {

std::atomic<bool> allowed{true};

bool ProcessorHasSha() {
#ifdef BREVANE_SHA_INSTRUCTIONS
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
    const bool sse41 = (c & bit_SSE4_1) != 0 && (c & bit_SSSE3) != 0;
    if (!__get_cpuid_count(7, 0, &a, &b, &c, &d)) return false;
    return sse41 && (b & bit_SHA) != 0;
#else
    return false;
#endif
}

}  // namespace

bool Sha256BlocksAvailable() {
    static const bool present = ProcessorHasSha();
    return present && allowed.load(std::memory_order_relaxed);
}

void AllowSha256Instructions(bool allow) {
    allowed.store(allow, std::memory_order_relaxed);
}

#ifdef BREVANE_SHA_INSTRUCTIONS

// The instructions keep the working variables as two vectors, ABEF and CDGH (A in the highest
// lane), and do two rounds per sha256rnds2 with the two message-plus-constant words in the low
// lanes of its third operand.
__attribute__((target("sha,sse4.1,ssse3"))) void CompressSha256Blocks(std::uint32_t state[8],
                                                                      const std::uint8_t* data,
                                                                      std::size_t blocks) {
    const __m128i bigEndian = _mm_set_epi64x(0x0c0d0e0f08090a0bLL, 0x0405060700010203LL);
    __m128i dcba = _mm_loadu_si128(reinterpret_cast<const __m128i*>(state));
    __m128i hgfe = _mm_loadu_si128(reinterpret_cast<const __m128i*>(state + 4));
    const __m128i cdab = _mm_shuffle_epi32(dcba, 0xB1);
    const __m128i efgh = _mm_shuffle_epi32(hgfe, 0x1B);
    __m128i abef = _mm_alignr_epi8(cdab, efgh, 8);
    __m128i cdgh = _mm_blend_epi16(efgh, cdab, 0xF0);

    for (; blocks != 0; --blocks, data += 64) {
        const __m128i abefBefore = abef;
        const __m128i cdghBefore = cdgh;
        __m128i w[4];  // the last four groups of four message words
#pragma GCC unroll 16
        for (int group = 0; group < 16; ++group) {
            __m128i words;
            if (group < 4) {
                words = _mm_shuffle_epi8(
                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * group)),
                    bigEndian);
            } else {
                // W[t] = s1(W[t-2]) + W[t-7] + s0(W[t-15]) + W[t-16], four at a time.
                __m128i sum = _mm_sha256msg1_epu32(w[group % 4], w[(group + 1) % 4]);
                sum =
                    _mm_add_epi32(sum, _mm_alignr_epi8(w[(group + 3) % 4], w[(group + 2) % 4], 4));
                words = _mm_sha256msg2_epu32(sum, w[(group + 3) % 4]);
            }
            w[group % 4] = words;
            __m128i k = _mm_add_epi32(words, _mm_loadu_si128(reinterpret_cast<const __m128i*>(
                                                 Sha256RoundConstants + 4 * group)));
            cdgh = _mm_sha256rnds2_epu32(cdgh, abef, k);
            k = _mm_shuffle_epi32(k, 0x0E);
            abef = _mm_sha256rnds2_epu32(abef, cdgh, k);
        }
        abef = _mm_add_epi32(abef, abefBefore);
        cdgh = _mm_add_epi32(cdgh, cdghBefore);
    }

    const __m128i feba = _mm_shuffle_epi32(abef, 0x1B);
    const __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);
    dcba = _mm_blend_epi16(feba, dchg, 0xF0);
    hgfe = _mm_alignr_epi8(dchg, feba, 8);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state), dcba);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state + 4), hgfe);
}

#else

void CompressSha256Blocks(std::uint32_t*, const std::uint8_t*, std::size_t) {}

#endif

}  // namespace brevane
