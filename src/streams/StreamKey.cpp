#include "streams/StreamKey.h"

#include <cstring>

#include "random/SHA256.h"

namespace brevane {

GeneratorKey StreamKey(const GeneratorKey& runKey, std::uint64_t stream) {
    static constexpr char Label[] = "brevane-stream";
    std::uint8_t message[32 + sizeof Label - 1 + 8];
    std::memcpy(message, runKey.data(), 32);
    std::memcpy(message + 32, Label, sizeof Label - 1);
    for (int i = 0; i < 8; ++i)
        message[32 + sizeof Label - 1 + i] = static_cast<std::uint8_t>(stream >> (56 - 8 * i));
    TSHAObject digest;
    digest.HashBuffer(message, static_cast<std::int32_t>(sizeof message));
    digest.FinalizeHash();
    GeneratorKey key;
    std::memcpy(key.data(), digest.Hash, key.size());
    return key;
}

}  // namespace brevane
