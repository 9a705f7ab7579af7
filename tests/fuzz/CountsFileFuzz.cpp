// libFuzzer target for the counts-file reader: any bytes, as the text of a counts file. Either
// the reader refuses them with CountsFileError and a one-line reason, or the counts it read
// save to a text that reads back to the same text; any other exception is a fault.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "stats/CountsFile.h"

namespace {

using namespace brevane;

void Require(bool condition) {
    if (!condition) std::abort();
}

std::string TextOf(const SavedCounts& saved) {
    return CountsFileText(saved.counts, saved.program, saved.source, saved.firstRowGiven);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::optional<SavedCounts> read;
    try {
        read.emplace(ParseCountsFile(text));
    } catch (const CountsFileError& error) {
        const std::string_view why = error.what();
        Require(!why.empty() && why.find('\n') == std::string_view::npos);
        return 0;
    }
    const SavedCounts& saved = *read;
    // One run over its rows: every pair counted, each row with the row before it, or every row
    // with the new deck when the rows are declared to come from one.
    const std::uint64_t unpaired = saved.counts.FromNewDeck() ? 0 : 1;
    Require(saved.counts.Rows() >= 1 && saved.counts.Pairs() == saved.counts.Rows() - unpaired);
    const std::string again = TextOf(saved);
    const SavedCounts reread = ParseCountsFile(again);  // throws, and so fails, if unreadable
    Require(TextOf(reread) == again);
    Require(reread.counts.Rows() == saved.counts.Rows());
    return 0;
}
