#include "support/LiteralStreams.h"

#include <stdexcept>

#include "support/CliRunner.h"
#include "support/ReferenceShuffle.h"

namespace brevane::test {

namespace {

std::string Hex(const Key& key) {
    static const char* digits = "0123456789abcdef";
    std::string text;
    for (const std::uint8_t b : key) {
        text += digits[b >> 4];
        text += digits[b & 15];
    }
    return text;
}

}  // namespace

Key PythonStreamKey(const Key& runKey, std::uint64_t stream) {
    const std::string script =
        "python3 -c 'import hashlib,sys; "
        "k=bytes.fromhex(sys.argv[1]); s=int(sys.argv[2]); "
        "print(hashlib.sha256(k + b\"brevane-stream\" + s.to_bytes(8, \"big\")).hexdigest())' " +
        Hex(runKey) + " " + std::to_string(stream);
    const CliResult result = RunShell(script);
    if (result.status != 0 || result.out.size() != 65)
        throw std::runtime_error("python3 gave no digest: " + result.err);
    Key key{};
    for (int i = 0; i < 32; ++i)
        key[i] = static_cast<std::uint8_t>(std::stoi(result.out.substr(2 * i, 2), nullptr, 16));
    return key;
}

std::vector<literal::Row> LiteralStreamRows(const Key& key, std::uint64_t rows) {
    ReferenceShuffler shuffler(key);
    std::array<std::int32_t, 52> deck{};
    for (int p = 0; p < 52; ++p) deck[p] = p + 1;
    std::vector<literal::Row> list;
    for (std::uint64_t r = 0; r < rows; ++r) {
        shuffler.Shuffle(deck);
        literal::Row row{};
        for (int p = 0; p < 52; ++p) row[p] = static_cast<std::uint8_t>(deck[p]);
        list.push_back(row);
    }
    return list;
}

std::vector<std::vector<literal::Row>> LiteralRun(const Key& runKey, std::uint64_t shuffles,
                                                  std::uint64_t streams) {
    std::vector<std::vector<literal::Row>> run;
    for (std::uint64_t s = 0; s < streams; ++s) {
        const std::uint64_t rows = shuffles / streams + (s < shuffles % streams ? 1 : 0);
        run.push_back(LiteralStreamRows(PythonStreamKey(runKey, s), rows));
    }
    return run;
}

literal::Tables SumOfStreams(const std::vector<std::vector<literal::Row>>& streams) {
    literal::Tables sum;
    for (const auto& rows : streams) {
        const literal::Tables t = literal::CountLiterally(rows);
        for (int i = 0; i < 52; ++i) {
            for (int j = 0; j < 52; ++j) {
                sum.cards[i][j] += t.cards[i][j];
                sum.moves[i][j] += t.moves[i][j];
            }
        }
        for (int k = 0; k < 53; ++k) {
            sum.rising[k] += t.rising[k];
            sum.fixed[k] += t.fixed[k];
        }
    }
    return sum;
}

}  // namespace brevane::test
