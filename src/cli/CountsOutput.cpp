#include "cli/CountsOutput.h"

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
    const std::string text = CountsFileText(counts, ProgramText(), SourceJson(options, source));
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
    std::string text;
    char buffer[1 << 16];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, got);
    const bool failed = std::ferror(file) != 0;
    const int error = errno;
    if (file != stdin) std::fclose(file);
    if (failed) throw CountsFileError(std::strerror(error));
    return ParseCountsFile(text);
}

}  // namespace brevane::cli
