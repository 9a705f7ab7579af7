#include "analysis/Export.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "cards/Cards.h"

namespace brevane {

namespace {

// Per card code: its two letters and a space, plus a spare byte so that one 4-byte copy
// places a whole piece (the spare byte is overwritten by the next piece).
constexpr std::array<std::array<char, 4>, CardTableSize> LinePieces = [] {
    std::array<std::array<char, 4>, CardTableSize> t{};
    for (int c = 0; c < CardTableSize; ++c) t[c] = {RankLetter[c], SuitLetter[c], ' ', ' '};
    return t;
}();

}  // namespace

void FormatExportLine(const std::uint8_t* row, char* out) {
    for (std::size_t k = 0; k + 1 < DeckSize; ++k)
        std::memcpy(out + 3 * k, LinePieces[row[k]].data(), 4);
    char* last = out + 3 * (DeckSize - 1);
    last[0] = RankLetter[row[DeckSize - 1]];
    last[1] = SuitLetter[row[DeckSize - 1]];
    last[2] = '\r';
    last[3] = '\n';
}

void ExportShuffleList(const ShuffleList& list, const std::string& path, WriteFunction write,
                       WorkProgress* progress) {
    constexpr std::size_t ChunkRows = 16384;
    ReplacingFile file(path, write);
    const std::size_t count = list.Count();
    for (std::size_t start = 0; start < count; start += ChunkRows) {
        const std::size_t end = std::min(count, start + ChunkRows);
        for (std::size_t r = start; r < end; ++r) WriteExportLine(file.Out(), list.Row(r));
        ReportProgress(progress, end - start);
    }
    if (progress) progress->ThrowIfCancelled();
    file.Commit();
}

}  // namespace brevane
