#pragma once

#include <cstddef>
#include <cstdint>

namespace brevane {

// SHA-256 (FIPS 180-4) over a message given in one or more pieces.
// Create, HashBuffer any number of times, FinalizeHash once, read Hash. After FinalizeHash the
// object is spent: H0..H7 hold byte-swapped words and Total counts bits.
class TSHAObject {
  public:
    TSHAObject();  // Create

    void HashBuffer(const void* Buffer, std::int32_t Size);
    void FinalizeHash();

    std::uint32_t H0, H1, H2, H3, H4, H5, H6, H7;
    std::int32_t P;
    std::int64_t Total;
    std::uint8_t IBuf[64];
    std::uint8_t Hash[32];

  private:
    void Compress();
    // `blocks` 64-byte blocks with the processor's SHA instructions.
    void CompressBlocks(const std::uint8_t* data, std::size_t blocks);
};

}  // namespace brevane
