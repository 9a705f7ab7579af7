#include "cli/CountsOutput.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cli/RunSource.h"

namespace brevane::cli {

CountsOutput::CountsOutput(const AnalysisOptions& options) {
    if (options.saveCounts) file_ = std::make_unique<ReplacingFile>(*options.saveCounts);
}

void CountsOutput::Write(const ShuffleCounts& counts, const AnalysisOptions& options,
                         RowSource& source) {
    if (!file_) return;
    const std::string text =
        CountsFileText(counts, ProgramText(), SourceJson(options, source), options.firstRowGiven);
    file_->Out().Write(text.data(), text.size());
    file_->Complete();
    written_ = true;
}

void CountsOutput::Commit() {
    if (written_) file_->Commit();
}

SavedCounts LoadCountsFile(const std::string& path) {
    std::FILE* file = path == "-" ? stdin : std::fopen(path.c_str(), "rb");
    if (!file) throw CountsFileError(std::strerror(errno));
    // One byte past the most a counts file holds is enough to refuse it: a larger file, a
    // device or a pipe that never ends is not read further.
    std::string text;
    char buffer[1 << 16];
    while (text.size() <= CountsFileMaxBytes) {
        const std::size_t want = std::min(sizeof buffer, CountsFileMaxBytes + 1 - text.size());
        const std::size_t got = std::fread(buffer, 1, want, file);
        if (got == 0) break;
        text.append(buffer, got);
    }
    const bool failed = std::ferror(file) != 0;
    const int error = errno;
    if (file != stdin) std::fclose(file);
    if (failed) throw CountsFileError(std::strerror(error));
    return ParseCountsFile(text);
}

}  // namespace brevane::cli
