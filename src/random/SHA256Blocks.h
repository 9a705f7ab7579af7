#pragma once

#include <cstddef>
#include <cstdint>

namespace brevane {

// The SHA-256 round constants K0..K63 (FIPS 180-4, 4.2.2).
extern const std::uint32_t Sha256RoundConstants[64];

// Compresses `blocks` whole 64-byte blocks into `state` (H0..H7) with the processor's SHA
// instructions. Only to be called when Sha256BlocksAvailable().
void CompressSha256Blocks(std::uint32_t state[8], const std::uint8_t* data, std::size_t blocks);

// Whether this processor has the SHA instructions and they are allowed (see
// AllowSha256Instructions).
bool Sha256BlocksAvailable();

// Lets tests run the portable compression on a processor that has the instructions.
void AllowSha256Instructions(bool allowed);

}  // namespace brevane
