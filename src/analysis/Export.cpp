#include "analysis/Export.h"

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
    for (std::size_t k = 0; k + 1 < ShuffleList::RowBytes; ++k)
        std::memcpy(out + 3 * k, LinePieces[row[k]].data(), 4);
    char* last = out + 3 * (ShuffleList::RowBytes - 1);
    last[0] = RankLetter[row[ShuffleList::RowBytes - 1]];
    last[1] = SuitLetter[row[ShuffleList::RowBytes - 1]];
    last[2] = '\r';
    last[3] = '\n';
}

void ExportShuffleList(const ShuffleList& list, const std::string& path, WriteFunction write) {
    ReplacingFile file(path, write);
    for (std::size_t r = 0; r < list.Count(); ++r) WriteExportLine(file.Out(), list.Row(r));
    file.Commit();
}

}  // namespace brevane
