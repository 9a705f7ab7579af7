#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "analysis/ShuffleList.h"

namespace brevane {

// One export line: 52 two-letter names separated by single spaces, then CR LF.
inline constexpr std::size_t ExportLineBytes = 157;

// Writes the export line of a 52-byte row into out[0..156].
void FormatExportLine(const std::uint8_t* row, char* out);

// Writes the list to `path` in the export format. The file is written under a temporary name
// in the same folder and renamed over `path` only when complete, so a failure leaves any
// previous file untouched and no partial file behind. Throws std::system_error carrying the
// system's error text on failure.
void ExportShuffleList(const ShuffleList& list, const std::string& path);

}  // namespace brevane
