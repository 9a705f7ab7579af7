#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "analysis/ShuffleList.h"
#include "os/OutputFile.h"
#include "work/WorkProgress.h"

namespace brevane {

// One export line: 52 two-letter names separated by single spaces, then CR LF.
inline constexpr std::size_t ExportLineBytes = 157;

// Writes the export line of a 52-byte row (card codes 1..52) into out[0..156].
void FormatExportLine(const std::uint8_t* row, char* out);

// Appends the export line of `row` to `out`.
inline void WriteExportLine(FdWriter& out, const std::uint8_t* row) {
    FormatExportLine(row, out.Claim(ExportLineBytes));
}

// Writes the list to `path` in the export format. The file is written under a temporary name
// in the same folder and renamed over `path` only when complete, so a failure leaves any
// previous file untouched and no partial file behind. Throws std::system_error carrying the
// system's error text on failure. `progress` counts the rows written; when it is cancelled the
// export stops with WorkCancelled, as it does on a failure. `write` replaces the write call
// (for tests).
void ExportShuffleList(const ShuffleList& list, const std::string& path,
                       WriteFunction write = nullptr, WorkProgress* progress = nullptr);

}  // namespace brevane
