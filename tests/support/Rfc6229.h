#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace brevane::test {

// RC4 keystream lines of RFC 6229 for two 256-bit keys: 16 bytes each at the given offsets,
// from offset 256 on, as the generator gives them after dropping 256 bytes.
struct Rfc6229Line {
    std::size_t offset;
    const char* hex;
};

struct Rfc6229Vector {
    std::string keyHex;
    std::vector<Rfc6229Line> lines;
};

inline const std::vector<Rfc6229Vector>& Rfc6229FromOffset256() {
    static const std::vector<Rfc6229Vector> vectors = {
        {"0102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f20",
         {{256, "02e1e7056b0f623900496422943e97b6"},
          {496, "91cb93c787964e10d9527d999c6f936b"},
          {512, "49b18b42f8e8367cbeb5ef104ba1c7cd"},
          {4096, "f3e4c0a2e02d1d01f7f0a74618af2b48"}}},
        {"1ada31d5cf688221c109163908ebe51debb46227c6cc8b37641910833222772a",
         {{256, "f8cb6274db99b80b1d2012a98ed48f0e"},
          {496, "25c3005a1cb85de076259839ab7198ab"},
          {512, "9dcbc183e8cb994b727b75be3180769c"},
          {4096, "370b1c1fe655916d97fd0d47ca1d72b8"}}},
    };
    return vectors;
}

}  // namespace brevane::test
