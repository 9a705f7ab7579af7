// libFuzzer target for the export row parser: any bytes, as one line and as a whole file.
// Accepted rows must hold every card once, and an accepted single line must be exactly the
// export form of its row.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "analysis/RowParser.h"
#include "cards/Cards.h"

namespace {

using namespace brevane;

void Require(bool condition) {
    if (!condition) std::abort();
}

void RequireWholeDeck(const std::uint8_t* row) {
    bool seen[CardTableSize] = {};
    for (int k = 0; k < DeckSize; ++k) {
        Require(row[k] >= 1 && row[k] <= DeckSize);
        Require(!seen[row[k]]);
        seen[row[k]] = true;
    }
}

std::string LineOf(const std::uint8_t* row) {
    std::string line;
    for (int k = 0; k < DeckSize; ++k) {
        if (k > 0) line += ' ';
        line += RankLetter[row[k]];
        line += SuitLetter[row[k]];
    }
    return line;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::uint8_t row[DeckSize];
    const std::string problem = ParseExportLine(text, row);
    if (problem.empty()) {
        RequireWholeDeck(row);
        Require(LineOf(row) == text);
    } else {
        Require(problem.find('\n') == std::string::npos);
    }

    if (size == 0) return 0;
    std::FILE* file = fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
    if (!file) return 0;
    // A small buffer, so that refills and over-long lines come up often.
    ExportReader reader(file, "fuzz", 400);
    ExportReader::Status status;
    std::uint64_t rows = 0;
    while ((status = reader.Next(row)) == ExportReader::Status::Row) {
        RequireWholeDeck(row);
        ++rows;
    }
    Require(rows <= size / 155 + 1);
    if (status == ExportReader::Status::BadLine) {
        Require(reader.Error().rfind("fuzz:" + std::to_string(reader.LineNumber()) + ": ", 0) == 0);
        Require(reader.Error().find('\n') == std::string::npos);
    }
    std::fclose(file);
    return 0;
}
