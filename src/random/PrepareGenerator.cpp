#include "random/PrepareGenerator.h"

#include "random/PRNG.h"

namespace brevane {

bool PrepareGenerator(std::optional<std::string_view> keyHex, std::string& error) {
    if (!keyHex) {
        TheShuffleGenerator().SeedGenerator();
        return true;
    }
    GeneratorKey key{};
    if (!ParseGeneratorKey(*keyHex, key)) {
        error = InvalidKeyMessage(*keyHex);
        return false;
    }
    TheShuffleGenerator().SetKey(key);
    return true;
}

std::string InvalidKeyMessage(std::string_view keyHex) {
    return "invalid key '" + std::string(keyHex) + "': expected 64 hexadecimal digits";
}

}  // namespace brevane
