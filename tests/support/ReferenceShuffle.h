#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>

namespace brevane::test {

// A literal, unoptimised RC4 keystream with a bounded draw and a Fisher-Yates deck shuffle,
// written from the published algorithms. Tests check the fast generator against it.
class ReferenceShuffler {
  public:
    explicit ReferenceShuffler(const std::array<std::uint8_t, 32>& key, int drop = 256) {
        for (int k = 0; k < 256; ++k) s_[k] = k;
        int j = 0;
        for (int k = 0; k < 256; ++k) {
            j = (j + s_[k] + key[k % 32]) % 256;
            std::swap(s_[k], s_[j]);
        }
        for (int k = 0; k < drop; ++k) NextByte();
        bytesDrawn_ = 0;
    }

    // Keystream bytes drawn since the dropped ones.
    long long BytesDrawn() const { return bytesDrawn_; }

    int NextByte() {
        ++bytesDrawn_;
        i_ = (i_ + 1) % 256;
        j_ = (j_ + s_[i_]) % 256;
        std::swap(s_[i_], s_[j_]);
        return s_[(s_[i_] + s_[j_]) % 256];
    }

    int Below(int n) {
        const int q = 65536 / n;
        const int bound = q * n;
        for (;;) {
            const int hi = NextByte();
            const int v = hi * 256 + NextByte();
            if (v < bound) return v / q;
        }
    }

    void Shuffle(std::array<std::int32_t, 52>& cards) {
        for (int m = 52; m >= 2; --m) std::swap(cards[Below(m)], cards[m - 1]);
    }

  private:
    std::array<int, 256> s_{};
    int i_ = 0;
    int j_ = 0;
    long long bytesDrawn_ = 0;
};

// The first RC4 test key of RFC 6229 for 256 bits: bytes 0x01 to 0x20.
inline std::array<std::uint8_t, 32> CountingKey() {
    std::array<std::uint8_t, 32> key{};
    for (int k = 0; k < 32; ++k) key[k] = static_cast<std::uint8_t>(k + 1);
    return key;
}

inline const std::string CountingKeyHex =
    "0102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f20";

}  // namespace brevane::test
